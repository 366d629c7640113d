#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

#include "core/encoding.hpp"
#include "platform/platform.hpp"

namespace platform {

namespace {

std::string reason_of(int err) { return std::strerror(err); }

[[noreturn]] void fail(const std::string& operation, const std::string& path, int err) {
    throw file_error{"cannot " + operation + " " + path + ": " + reason_of(err)};
}

}  // namespace

std::vector<std::string> command_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void use_console() {}

void binary_standard_streams() {}

std::string program_folder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw file_error{"cannot find the program's own folder: " + ec.message()};
    return exe.parent_path().string();
}

// Names built by the program are Windows-1252 text; this file system takes UTF-8.
std::string join_path(const std::string& folder, const std::string& name) {
    return folder + "/" + cp1252_to_utf8(name);
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool folder_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool read_file(const std::string& path, std::string& bytes, std::string& reason) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = reason_of(errno);
        return false;
    }
    bytes.clear();
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    int err = errno;
    std::fclose(f);
    if (failed) {
        reason = reason_of(err);
        return false;
    }
    return true;
}

namespace {

std::string temporary_name(const std::string& path) {
    return path + "." + std::to_string(::getpid()) + ".tmp";
}

// Writes the file's bytes to `temporary` with as few calls as the system allows; a failure
// (or anything the producer throws) closes and removes the temporary, and names the file
// being replaced.
void write_whole(const std::string& temporary, const file_contents& f) {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("write", f.path, errno);
    const byte_sink put = [&](std::string_view piece) {
        while (!piece.empty()) {
            const ssize_t n = ::write(fd, piece.data(), piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const int err = n < 0 ? errno : EIO;
                fail("write", f.path, err);
            }
            piece.remove_prefix(static_cast<std::size_t>(n));
        }
    };
    try {
        if (f.produce) {
            f.produce(put);
        } else {
            put(f.bytes);
        }
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temporary.c_str());
        fail("write", f.path, err);
    }
}

}  // namespace

void replace_file(const std::string& path, const std::string& bytes) { replace_files({{path, bytes}}); }

void replace_files(const std::vector<file_contents>& files) {
    std::vector<std::string> written;
    auto remove_written = [&] {
        for (const std::string& t : written) std::remove(t.c_str());
    };
    try {
        for (const file_contents& f : files) {
            const std::string temporary = temporary_name(f.path);
            write_whole(temporary, f);
            written.push_back(temporary);
        }
    } catch (...) {
        remove_written();
        throw;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (std::rename(written[i].c_str(), files[i].path.c_str()) != 0) {
            int err = errno;
            for (std::size_t k = i; k < written.size(); ++k) std::remove(written[k].c_str());
            fail("replace", files[i].path, err);
        }
    }
}

void make_folder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) throw file_error{"cannot create folder " + path + ": " + ec.message()};
}

void delete_file(const std::string& path) {
    if (std::remove(path.c_str()) != 0 && errno != ENOENT) fail("delete", path, errno);
}

void show_window(const std::string& caption) { std::cerr << caption << std::endl; }

void message_box(const std::string& text) { std::cerr << text << std::endl; }

void report_failure(const std::string& text) { std::cerr << text << std::endl; }

bool is_terminal(bool error_stream) { return ::isatty(error_stream ? 2 : 1) == 1; }

void report_note(const std::string& text) { std::cerr << text << std::endl; }

void end_program(int exit_status) {
    std::cout.flush();
    std::cerr.flush();
    std::exit(exit_status);
}

}  // namespace platform
