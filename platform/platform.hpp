// The only place that knows the operating system: the program folder, files, the window,
// the message box and the end of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// A file operation that failed; what() names the operation, the file and the system's reason.
struct file_error {
    std::string message;
    // When the folder is what refused (it takes no new file): the folder and the system's reason,
    // so that a caller can say so in its own words.
    std::string refusing_folder = {};
    std::string reason = {};
};

// The program's arguments after its name, as UTF-8 text.
std::vector<std::string> command_arguments(int argc, char** argv);

// Commands print to a console: where the program has none of its own (a Windows program
// started from a command prompt), the parent's console is used.
void use_console();

// Standard input and output carry bytes unchanged (no CR LF translation on Windows), for a
// protocol that counts them.
void binary_standard_streams();

// The folder that holds the running executable, without a trailing separator.
std::string program_folder();

// folder + separator + name ("\" on Windows, "/" elsewhere). The folder is in the file
// system's own form; the name is Windows-1252 text, as every name the build forms.
std::string join_path(const std::string& folder, const std::string& name);

bool file_exists(const std::string& path);
bool folder_exists(const std::string& path);

// The names of the files (not the folders) in the folder, sorted; empty when it cannot be read.
std::vector<std::string> list_files(const std::string& folder);

// Reads the whole of a regular file; false with the reason when it cannot be opened or read,
// when it is not a regular file (a folder, a FIFO, a device: refused at once, never waited on),
// or when it holds more than `limit` bytes.
inline constexpr std::size_t read_limit_default = std::size_t{64} << 20;
bool read_file(const std::string& path, std::string& bytes, std::string& reason,
               std::size_t limit = read_limit_default);

// What is at a path; a symbolic link is not followed.
enum class path_kind { missing, file, folder, other };
path_kind kind_of_path(const std::string& path);

// Sixteen lower-case hexadecimal digits from the system's random source: a part of a name
// that nobody can guess before it exists.
std::string unpredictable_name_part();

// Which file a path names, whatever the name: a second name (a hard link), a symbolic link or
// "./a" name the same file as "a".
struct file_identity {
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    friend bool operator==(const file_identity&, const file_identity&) = default;
};
// The identity of the file at the path, symbolic links followed; nothing when there is none.
std::optional<file_identity> identity_of(const std::string& path);

// What a file rewritten in place keeps: read from the earlier file, given to the new one.
struct file_attributes {
    std::uint32_t mode = 0;    // permission bits (POSIX); the FILE_ATTRIBUTE_ flags (Windows)
    std::int64_t owner = -1;   // user and group ids; -1 where the system has none
    std::int64_t group = -1;
    std::uint64_t names = 1;   // hard links to the file
    bool write_protected = false;  // no write permission for its owner; read-only on Windows
    // Extended attributes (which carry the POSIX ACLs on Linux): name and value.
    std::vector<std::pair<std::string, std::string>> extended;
};

// The path that a chain of symbolic links at `path` ends at (the path itself when it is not a
// link): a link's target is rewritten, and the link stays. Throws file_error.
std::string link_target(const std::string& path);

// The attributes of a regular file (not following a link: give link_target's path). Throws
// file_error.
file_attributes attributes_of(const std::string& path);

// Takes the bytes of a file piece by piece.
using byte_sink = std::function<void(std::string_view piece)>;

// A file's name and its bytes: held whole, or produced piece by piece when it is written.
struct file_contents {
    std::string path;
    std::string bytes;
    // When set, the file's bytes come from here instead of `bytes`: called once, it hands
    // them all, in order, to the sink, so that a large file is never held whole in memory.
    // Whatever it throws removes the temporaries, as a failed write does.
    std::function<void(const byte_sink&)> produce;
    // When set, the new file takes these (owner and group first, then the mode and the extended
    // attributes) before it is put in place; a failure to give any of them fails the write.
    std::optional<file_attributes> keep;

    file_contents(std::string p, std::string b) : path(std::move(p)), bytes(std::move(b)) {}
    file_contents(std::string p, std::function<void(const byte_sink&)> f) : path(std::move(p)), produce(std::move(f)) {}
};

// Creates a new file at `path` and writes the file's bytes to it. Never opens an existing
// file and never follows a symbolic link: returns false when anything already has that name.
// Every write, the flush to the disk and the close are checked; on failure (or whatever the
// producer throws) the new file is removed, and file_error names the file being replaced,
// `f.path` (or its folder, when the folder refuses a new file).
bool write_new_file(const std::string& path, const file_contents& f);

// Gives an existing file a second name (a hard link). Returns false where the file system
// has none; throws file_error naming `shown_as` on any other failure.
bool link_file(const std::string& existing, const std::string& second_name, const std::string& shown_as);

// Renames `from` to `to`, replacing a file there in one step. Throws file_error
// ("cannot replace <shown_as>: reason").
void rename_file(const std::string& from, const std::string& to, const std::string& shown_as);

// One entry of a folder: its name as the file system holds it, and its full path.
struct folder_entry {
    std::string name;
    std::string path;
};
// The entries of a folder, without "." and ".."; empty when it cannot be listed.
std::vector<folder_entry> folder_entries(const std::string& folder);

// An exclusive lock on a folder, held by this run until the record is destroyed or the
// program ends. Nothing is left on disk: the folder itself is locked (on Windows, a named
// mutex derived from the folder's full path is held).
struct folder_lock {
    std::intptr_t handle = -1;
    folder_lock() = default;
    explicit folder_lock(std::intptr_t h) : handle(h) {}
    folder_lock(folder_lock&& other) noexcept : handle(other.handle) { other.handle = -1; }
    folder_lock& operator=(folder_lock&& other) noexcept;
    folder_lock(const folder_lock&) = delete;
    folder_lock& operator=(const folder_lock&) = delete;
    ~folder_lock();
};

// Takes the folder's lock, waiting while another run holds it: `waiting` is called once when
// the wait passes one second; after `limit_seconds` the wait ends with file_error.
folder_lock lock_folder(const std::string& folder, int limit_seconds, const std::function<void()>& waiting);

// Interruption (SIGINT, SIGTERM, SIGHUP; Ctrl+C and the console closing on Windows): the
// files remembered below are removed and the program ends by that signal (exit 130, 143 or
// 129 as a shell shows it). A write past the file-size limit fails as an ordinary write
// error instead of ending the program. Called once, at start-up.
void handle_interruptions();

// Remembers a file to remove if the run is interrupted; returns its place in a fixed table
// that the interruption handler reads. Throws file_error when the table is full or the path
// too long for it.
int remember_for_interruption(const std::string& path);
void forget_for_interruption(int place);

// Holds back interruptions from construction to destruction, so that a group of renames is
// finished or undone as a whole; an interruption that arrives meanwhile takes effect when the
// hold ends.
struct interruptions_held {
    interruptions_held();
    ~interruptions_held();
    interruptions_held(const interruptions_held&) = delete;
    interruptions_held& operator=(const interruptions_held&) = delete;
};
// True when an interruption arrived during the hold (the work in hand is then undone).
bool interruption_pending();

// Creates the folder and its parents when missing. Throws file_error.
void make_folder(const std::string& path);

// Removes the file. Throws file_error when it exists and cannot be removed.
void delete_file(const std::string& path);

// The "Attendere" window: shown and painted once.
void show_window(const std::string& caption);

// A modal message box with one OK button; returns when it is closed.
void message_box(const std::string& text);

// A run-time failure report (a file that cannot be written, an array never created): on
// standard error in a console, in a message box otherwise.
void report_failure(const std::string& text);

// Whether standard output (or standard error) is a terminal, where colour may be used.
bool is_terminal(bool error_stream);

// One line of diagnostics for the user (a recorded build status).
void report_note(const std::string& text);

// Flushes standard output; false with the reason when anything printed to it was lost (a
// full disk, a closed pipe).
bool standard_output_written(std::string& reason);

// Runs `program` with `arguments` in place of this process (its output, its exit status); returns
// only when it cannot, with the reason.
std::string replace_process(const std::string& program, const std::vector<std::string>& arguments);

// Opens a web address in the user's browser without waiting for it; a failure is only told.
void open_in_browser(const std::string& url);

[[noreturn]] void end_program(int exit_status);

}  // namespace platform
