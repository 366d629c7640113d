// The floor for a whole run: a minimal program that writes the given files' bytes to the
// given names, each with one call. The bytes are first read, each with one call, from the
// reference copies (from the page cache, a small part of the time).
// usage: io_floor REFERENCE_DIR OUTPUT_DIR NAME...
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) return 64;
    const std::string from = argv[1];
    const std::string to = argv[2];
    std::vector<std::string> bytes;
    for (int i = 3; i < argc; ++i) {
        const int fd = ::open((from + "/" + argv[i]).c_str(), O_RDONLY);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) return 1;
        std::string b(static_cast<std::size_t>(st.st_size), '\0');
        if (::read(fd, b.data(), b.size()) != static_cast<ssize_t>(b.size())) return 1;
        ::close(fd);
        bytes.push_back(std::move(b));
    }
    for (int i = 3; i < argc; ++i) {
        const std::string& b = bytes[static_cast<std::size_t>(i - 3)];
        const int fd = ::open((to + "/" + argv[i]).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, b.data(), b.size()) != static_cast<ssize_t>(b.size())) return 1;
        ::close(fd);
    }
    return 0;
}
