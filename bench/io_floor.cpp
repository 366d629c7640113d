// The floor for a whole run: a minimal program that reads its inputs, then replaces the given
// files with their reference bytes the way the build does, each written with one call under
// a temporary name and all renamed into place at the end. The reference bytes are read, each
// with one call, from copies in the page cache.
// usage: io_floor [--read FILE]... REFERENCE_DIR OUTPUT_DIR NAME...
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool read_whole(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return false;
    bytes.assign(static_cast<std::size_t>(st.st_size), '\0');
    const bool complete = ::read(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return complete;
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    std::vector<std::string> inputs;
    for (; i + 1 < argc && std::strcmp(argv[i], "--read") == 0; i += 2) {
        inputs.emplace_back();
        if (!read_whole(argv[i + 1], inputs.back())) return 1;
    }
    if (argc - i < 3) return 64;
    const std::string from = argv[i];
    const std::string to = argv[i + 1];
    std::vector<std::string> names(argv + i + 2, argv + argc);
    std::vector<std::string> bytes(names.size());
    for (std::size_t k = 0; k < names.size(); ++k)
        if (!read_whole(from + "/" + names[k], bytes[k])) return 1;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const std::string temporary = to + "/" + names[k] + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, bytes[k].data(), bytes[k].size()) != static_cast<ssize_t>(bytes[k].size()) ||
            ::close(fd) != 0)
            return 1;
    }
    for (const std::string& name : names)
        if (std::rename((to + "/" + name + ".tmp").c_str(), (to + "/" + name).c_str()) != 0) return 1;
    return 0;
}
