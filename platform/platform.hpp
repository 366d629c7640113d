// The only place that knows the operating system: the program folder, files, the window,
// the message box and the end of the program.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// A file operation that failed; what() names the operation, the file and the system's reason.
struct file_error {
    std::string message;
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

// Reads the whole file; false with the system's reason when it cannot be opened or read.
bool read_file(const std::string& path, std::string& bytes, std::string& reason);

// Replaces the file with exactly these bytes. The bytes go to a temporary file in the same
// folder first, every write and the close are checked, and only a complete file is renamed
// over the old one: a failure leaves the earlier file as it was. Throws file_error.
void replace_file(const std::string& path, const std::string& bytes);

// Takes the next piece of a file's bytes; the pieces follow one another.
using byte_sink = std::function<void(std::string_view piece)>;

// A file's name and its bytes: held whole, or produced piece by piece when it is written.
struct file_contents {
    std::string path;
    std::string bytes;
    // When set, the file's bytes come from here instead of `bytes`: called once, it hands
    // them all, in order, to the sink, so that a large file is never held whole in memory.
    // Whatever it throws removes the temporaries, as a failed write does.
    std::function<void(const byte_sink&)> produce;

    file_contents(std::string p, std::string b) : path(std::move(p)), bytes(std::move(b)) {}
    file_contents(std::string p, std::function<void(const byte_sink&)> f) : path(std::move(p)), produce(std::move(f)) {}
};

// Replaces several files together: all are written in full under temporary names before
// the first is renamed into place. On failure the temporaries are removed. Throws file_error.
void replace_files(const std::vector<file_contents>& files);

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

[[noreturn]] void end_program(int exit_status);

}  // namespace platform
