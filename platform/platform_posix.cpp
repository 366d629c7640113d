#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <csignal>
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

std::vector<std::string> list_files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator i(folder, ec), end; !ec && i != end; i.increment(ec)) {
        std::error_code kind;
        if (i->is_regular_file(kind)) names.push_back(i->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool read_file(const std::string& path, std::string& bytes, std::string& reason, std::size_t limit) {
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = reason_of(errno);
        return false;
    }
    auto refuse = [&](const std::string& why) {
        ::close(fd);
        reason = why;
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refuse(reason_of(errno));
    if (S_ISDIR(st.st_mode)) return refuse(reason_of(EISDIR));
    if (!S_ISREG(st.st_mode)) {
        const char* kind = S_ISFIFO(st.st_mode)   ? "a FIFO"
                           : S_ISCHR(st.st_mode)  ? "a character device"
                           : S_ISBLK(st.st_mode)  ? "a block device"
                           : S_ISSOCK(st.st_mode) ? "a socket"
                                                  : "not a plain file";
        return refuse(std::string("not a regular file (") + kind + ")");
    }
    const auto too_big = [&](std::uint64_t size) {
        std::string text = "it holds " + std::to_string(size) + " bytes, more than the limit of " +
                           std::to_string(limit) + " bytes";
        if (limit % (std::size_t{1} << 20) == 0) text += " (" + std::to_string(limit >> 20) + " MiB)";
        return text;
    };
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (size > limit) return refuse(too_big(size));
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refuse(reason_of(errno));
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            return refuse(too_big(bytes.size() + static_cast<std::size_t>(n)));
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

path_kind kind_of_path(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return path_kind::missing;
    if (S_ISREG(st.st_mode)) return path_kind::file;
    if (S_ISDIR(st.st_mode)) return path_kind::folder;
    return path_kind::other;
}

std::string unpredictable_name_part() {
    unsigned char random[8];
    std::size_t done = 0;
    while (done < sizeof random) {
        const ssize_t n = ::getrandom(random + done, sizeof random - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw file_error{"cannot draw a random name: " + reason_of(errno)};
        done += static_cast<std::size_t>(n);
    }
    return hex_digits(random, sizeof random);
}

namespace {

// The owner and group first (a change of owner clears the set-id bits), then the mode, then
// the extended attributes.
void give_attributes(int fd, const file_attributes& a, const std::string& shown_as) {
    if (::fchown(fd, static_cast<uid_t>(a.owner), static_cast<gid_t>(a.group)) != 0)
        fail("keep the owner and group of", shown_as, errno);
    if (::fchmod(fd, static_cast<mode_t>(a.mode & 07777)) != 0) fail("keep the permissions of", shown_as, errno);
    for (const auto& [name, value] : a.extended)
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
            fail("keep the extended attribute " + name + " of", shown_as, errno);
}

}  // namespace

std::optional<file_identity> identity_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return file_identity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::string link_target(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) fail("open", path, errno);
    if (!S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) fail("follow the link", path, errno);
    return resolved;
}

file_attributes attributes_of(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) fail("open", path, errno);
    file_attributes a;
    a.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
    a.owner = static_cast<std::int64_t>(st.st_uid);
    a.group = static_cast<std::int64_t>(st.st_gid);
    a.names = static_cast<std::uint64_t>(st.st_nlink);
    a.write_protected = (st.st_mode & S_IWUSR) == 0;
    // The list of names, then each value; a list that grew meanwhile is read again.
    std::string names;
    for (;;) {
        const ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
        if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) return a;
        if (size < 0) fail("read the extended attributes of", path, errno);
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::llistxattr(path.c_str(), names.data(), names.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) fail("read the extended attributes of", path, errno);
        names.resize(static_cast<std::size_t>(got));
        break;
    }
    for (std::size_t start = 0; start < names.size();) {
        std::size_t end = names.find('\0', start);
        if (end == std::string::npos) end = names.size();
        const std::string name = names.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        std::string value;
        for (;;) {
            const ssize_t size = ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
            if (size < 0) fail("read the extended attribute " + name + " of", path, errno);
            value.resize(static_cast<std::size_t>(size));
            const ssize_t got = size == 0 ? 0 : ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
            if (got < 0 && errno == ERANGE) continue;
            if (got < 0) fail("read the extended attribute " + name + " of", path, errno);
            value.resize(static_cast<std::size_t>(got));
            break;
        }
        a.extended.emplace_back(name, std::move(value));
    }
    return a;
}

bool write_new_file(const std::string& path, const file_contents& f) {
    // O_EXCL | O_NOFOLLOW: a file or a symbolic link planted at this name is never opened.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST) return false;
        if (err == EACCES || err == EPERM || err == EROFS) {
            // The folder is what refuses: it takes no new file.
            const std::size_t slash = path.find_last_of('/');
            const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
            throw file_error{"cannot write " + f.path + ": " + reason_of(err) + ": its folder " + folder +
                                 " cannot be written",
                             folder, reason_of(err)};
        }
        fail("write", f.path, err);
    }
    const byte_sink put = [&](std::string_view piece) {
        while (!piece.empty()) {
            const ssize_t n = ::write(fd, piece.data(), piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail("write", f.path, n < 0 ? errno : EIO);
            piece.remove_prefix(static_cast<std::size_t>(n));
        }
    };
    try {
        if (f.produce)
            f.produce(put);
        else
            put(f.bytes);
        if (f.keep) give_attributes(fd, *f.keep, f.path);
        // On the disk before it takes the final name, so that a crash leaves one file or the other.
        if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) fail("write", f.path, errno);
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(path.c_str());
        fail("write", f.path, err);
    }
    return true;
}

bool link_file(const std::string& existing, const std::string& second_name, const std::string& shown_as) {
    if (::link(existing.c_str(), second_name.c_str()) == 0) return true;
    const int err = errno;
    if (err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK || err == ENOSYS) return false;
    fail("keep the earlier", shown_as, err);
}

void rename_file(const std::string& from, const std::string& to, const std::string& shown_as) {
    if (::rename(from.c_str(), to.c_str()) != 0) fail("replace", shown_as, errno);
}

std::vector<folder_entry> folder_entries(const std::string& folder) {
    std::vector<folder_entry> entries;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return entries;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back({name, folder + "/" + name});
    }
    ::closedir(d);
    return entries;
}

folder_lock& folder_lock::operator=(folder_lock&& other) noexcept {
    if (this != &other) {
        if (handle >= 0) ::close(static_cast<int>(handle));
        handle = other.handle;
        other.handle = -1;
    }
    return *this;
}

folder_lock::~folder_lock() {
    if (handle >= 0) ::close(static_cast<int>(handle));
}

folder_lock lock_folder(const std::string& folder, int limit_seconds, const std::function<void()>& waiting) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail("lock the folder", folder, errno);
    folder_lock lock(fd);
    const auto start = std::chrono::steady_clock::now();
    bool told = false;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return lock;
        if (errno != EWOULDBLOCK && errno != EINTR) fail("lock the folder", folder, errno);
        const auto waited = std::chrono::steady_clock::now() - start;
        if (!told && waited >= std::chrono::seconds(1)) {
            told = true;
            waiting();
        }
        if (waited >= std::chrono::seconds(limit_seconds))
            throw file_error{"cannot lock the folder " + folder + ": another run has held it for more than " +
                             std::to_string(limit_seconds) + " s"};
        ::usleep(20000);
    }
}

namespace {

// The interruption handler may only read plain memory and call async-signal-safe functions,
// so the files to remove are kept in a fixed table of fixed-size paths.
constexpr int interruption_places = 32;
struct interruption_place {
    char path[4096];
    volatile std::sig_atomic_t used;
};
interruption_place interruption_table[interruption_places];

constexpr int interruption_signals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void on_interruption(int signal_number) {
    const int saved = errno;
    for (interruption_place& p : interruption_table)
        if (p.used) ::unlink(p.path);
    // End by the same signal, so that the caller sees how the run ended.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    ::sigemptyset(&plain.sa_mask);
    ::sigaction(signal_number, &plain, nullptr);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, signal_number);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal_number);
    errno = saved;
}

sigset_t interruption_set() {
    sigset_t set;
    ::sigemptyset(&set);
    for (int sig : interruption_signals) ::sigaddset(&set, sig);
    return set;
}

}  // namespace

void handle_interruptions() {
    struct sigaction action {};
    action.sa_handler = on_interruption;
    action.sa_mask = interruption_set();
    for (int sig : interruption_signals) {
        struct sigaction earlier {};
        // A signal ignored by whoever started the program (nohup) stays ignored.
        if (::sigaction(sig, nullptr, &earlier) == 0 && earlier.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

int remember_for_interruption(const std::string& path) {
    if (path.size() >= sizeof interruption_table[0].path)
        throw file_error{"cannot write " + path + ": the path is too long"};
    for (int i = 0; i < interruption_places; ++i) {
        interruption_place& p = interruption_table[i];
        if (p.used) continue;
        std::memcpy(p.path, path.c_str(), path.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        p.used = 1;
        return i;
    }
    throw file_error{"cannot write " + path + ": too many files in hand at once"};
}

void forget_for_interruption(int place) {
    if (place >= 0 && place < interruption_places) interruption_table[place].used = 0;
}

namespace {
// The signal mask in force before the outermost hold; holds may nest.
sigset_t mask_before_hold;
int hold_depth = 0;
}  // namespace

interruptions_held::interruptions_held() {
    if (hold_depth++ == 0) {
        const sigset_t set = interruption_set();
        ::sigprocmask(SIG_BLOCK, &set, &mask_before_hold);
    }
}

interruptions_held::~interruptions_held() {
    if (--hold_depth == 0) ::sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr);
}

bool interruption_pending() {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return false;
    for (int sig : interruption_signals)
        if (::sigismember(&pending, sig) == 1) return true;
    return false;
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

bool standard_output_written(std::string& reason) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    int err = errno;
    if (flushed && std::cout && !std::ferror(stdout)) return true;
    // A write that failed earlier left no reason behind: one more byte asks the system again
    // (the output is incomplete already).
    if (err == 0 && ::write(STDOUT_FILENO, "\n", 1) < 0) err = errno;
    reason = err != 0 ? reason_of(err) : "write error";
    return false;
}

void end_program(int exit_status) {
    std::cout.flush();
    std::cerr.flush();
    std::exit(exit_status);
}

std::string replace_process(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    std::vector<std::string> copies(arguments);
    copies.insert(copies.begin(), program);
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    return std::strerror(errno);
}

void open_in_browser(const std::string& url) {
    const pid_t child = ::fork();
    if (child == 0) {
        // Detached from this process's output, so that a chatty browser cannot fill the terminal.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (child < 0) report_note("cannot open a browser: " + std::string(std::strerror(errno)) + "; open " + url);
}

}  // namespace platform
