// The Windows half of the platform layer: wide-character file names, the "Attendere"
// window, the message box, and the parent's console for the commands.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <bcrypt.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "core/encoding.hpp"
#include "platform/platform.hpp"

namespace platform {

namespace {

HWND window = nullptr;
bool console = false;

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string narrow(const std::wstring& w) {
    if (w.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string reason_of(DWORD err) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, err, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : L"error " + std::to_wstring(err);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    return narrow(text);
}

[[noreturn]] void fail(const std::string& operation, const std::string& path, DWORD err) {
    throw file_error{"cannot " + operation + " " + path + ": " + reason_of(err)};
}

bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

void write_console(const std::string& text) {
    std::cerr << text << std::endl;
}

}  // namespace

std::vector<std::string> command_arguments(int, char**) {
    int n = 0;
    wchar_t** w = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> args;
    for (int i = 1; i < n; ++i) args.push_back(narrow(w[i]));
    if (w) LocalFree(w);
    return args;
}

void use_console() {
    console = true;
    // Output already redirected to a file or a pipe stays where it goes.
    const bool out = valid(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool err = valid(GetStdHandle(STD_ERROR_HANDLE));
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* ignored = nullptr;
        if (!out) freopen_s(&ignored, "CONOUT$", "w", stdout);
        if (!err) freopen_s(&ignored, "CONOUT$", "w", stderr);
        SetConsoleOutputCP(CP_UTF8);
    }
}

void binary_standard_streams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string program_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) throw file_error{"cannot find the program's own folder: " + reason_of(GetLastError())};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return narrow(path.substr(0, path.find_last_of(L"\\/")));
}

// Names built by the program are Windows-1252 text; paths are held as UTF-8 and handed to
// the system as wide strings.
std::string join_path(const std::string& folder, const std::string& name) {
    return folder + "\\" + cp1252_to_utf8(name);
}

bool file_exists(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folder_exists(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> list_files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator i(std::filesystem::path(wide(folder)), ec), end; !ec && i != end;
         i.increment(ec)) {
        std::error_code kind;
        if (i->is_regular_file(kind)) names.push_back(narrow(i->path().filename().wstring()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool read_file(const std::string& path, std::string& bytes, std::string& reason, std::size_t limit) {
    HANDLE f = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (!valid(f)) {
        reason = reason_of(GetLastError());
        return false;
    }
    auto refuse = [&](const std::string& why) {
        CloseHandle(f);
        reason = why;
        return false;
    };
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(f, &info)) return refuse(reason_of(GetLastError()));
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return refuse("Is a directory");
    if (GetFileType(f) != FILE_TYPE_DISK) return refuse("not a regular file");
    const auto too_big = [&](std::uint64_t size) {
        std::string text = "it holds " + std::to_string(size) + " bytes, more than the limit of " +
                           std::to_string(limit) + " bytes";
        if (limit % (std::size_t{1} << 20) == 0) text += " (" + std::to_string(limit >> 20) + " MiB)";
        return text;
    };
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    if (size > limit) return refuse(too_big(size));
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(f, buffer, sizeof buffer, &n, nullptr)) return refuse(reason_of(GetLastError()));
        if (n == 0) break;
        if (bytes.size() + n > limit) return refuse(too_big(bytes.size() + n));
        bytes.append(buffer, n);
    }
    CloseHandle(f);
    return true;
}

path_kind kind_of_path(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return path_kind::missing;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return path_kind::other;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return path_kind::folder;
    return path_kind::file;
}

std::string unpredictable_name_part() {
    unsigned char random[8];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw file_error{"cannot draw a random name"};
    return hex_digits(random, sizeof random);
}

namespace {

// Opens a file for its information only (no read or write access).
HANDLE open_for_information(const std::wstring& path) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

std::optional<file_identity> identity_of(const std::string& path) {
    HANDLE h = open_for_information(wide(path));
    if (!valid(h)) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!known) return std::nullopt;
    return file_identity{static_cast<std::uint64_t>(info.dwVolumeSerialNumber),
                         (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string link_target(const std::string& path) { return path; }

file_attributes attributes_of(const std::string& path) {
    HANDLE h = open_for_information(wide(path));
    if (!valid(h)) fail("open", path, GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != 0;
    const DWORD err = GetLastError();
    CloseHandle(h);
    if (!known) fail("open", path, err);
    file_attributes a;
    a.mode = static_cast<std::uint32_t>(info.dwFileAttributes);
    a.names = static_cast<std::uint64_t>(info.nNumberOfLinks);
    a.write_protected = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return a;
}

bool write_new_file(const std::string& path, const file_contents& f) {
    const std::wstring w = wide(path);
    // CREATE_NEW never opens an existing file or link; FILE_SHARE_DELETE lets the interruption
    // handler remove the file while it is being written.
    HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (!valid(h)) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) return false;
        if (err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT) {
            // The folder is what refuses: it takes no new file.
            const std::size_t slash = path.find_last_of("/\\");
            const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + (slash == 0 ? 1 : 0));
            throw file_error{"cannot write " + f.path + ": " + reason_of(err) + ": its folder " + folder +
                                 " cannot be written",
                             folder, reason_of(err)};
        }
        fail("write", f.path, err);
    }
    const byte_sink put = [&](std::string_view piece) {
        while (!piece.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(piece.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(h, piece.data(), chunk, &written, nullptr) || written == 0) fail("write", f.path, GetLastError());
            piece.remove_prefix(written);
        }
    };
    try {
        if (f.produce)
            f.produce(put);
        else
            put(f.bytes);
    } catch (...) {
        CloseHandle(h);
        DeleteFileW(w.c_str());
        throw;
    }
    if (!FlushFileBuffers(h)) {
        const DWORD err = GetLastError();
        CloseHandle(h);
        DeleteFileW(w.c_str());
        fail("write", f.path, err);
    }
    if (!CloseHandle(h)) {
        const DWORD err = GetLastError();
        DeleteFileW(w.c_str());
        fail("write", f.path, err);
    }
    if (f.keep) {
        // Hidden, system, archive and not-indexed go with the new text.
        const DWORD kept = static_cast<DWORD>(f.keep->mode) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                                FILE_ATTRIBUTE_ARCHIVE |
                                                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept != 0 && !SetFileAttributesW(w.c_str(), kept)) {
            const DWORD err = GetLastError();
            DeleteFileW(w.c_str());
            fail("keep the attributes of", f.path, err);
        }
    }
    return true;
}

bool link_file(const std::string& existing, const std::string& second_name, const std::string& shown_as) {
    if (CreateHardLinkW(wide(second_name).c_str(), wide(existing).c_str(), nullptr)) return true;
    const DWORD err = GetLastError();
    if (err == ERROR_INVALID_FUNCTION || err == ERROR_NOT_SUPPORTED || err == ERROR_ACCESS_DENIED ||
        err == ERROR_TOO_MANY_LINKS || err == ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    fail("keep the earlier", shown_as, err);
}

void rename_file(const std::string& from, const std::string& to, const std::string& shown_as) {
    if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail("replace", shown_as, GetLastError());
}

std::vector<folder_entry> folder_entries(const std::string& folder) {
    std::vector<folder_entry> entries;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((wide(folder) + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = narrow(data.cFileName);
        if (name == "." || name == "..") continue;
        entries.push_back({name, folder + "\\" + name});
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return entries;
}

folder_lock& folder_lock::operator=(folder_lock&& other) noexcept {
    if (this != &other) {
        if (handle != -1) {
            ReleaseMutex(reinterpret_cast<HANDLE>(handle));
            CloseHandle(reinterpret_cast<HANDLE>(handle));
        }
        handle = other.handle;
        other.handle = -1;
    }
    return *this;
}

folder_lock::~folder_lock() {
    if (handle != -1) {
        ReleaseMutex(reinterpret_cast<HANDLE>(handle));
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    }
}

folder_lock lock_folder(const std::string& folder, int limit_seconds, const std::function<void()>& waiting) {
    // A folder has no lock of its own here: a named mutex stands for it, named after its full
    // path (upper-cased, as the file system ignores case) through a 64-bit FNV-1a hash, since
    // a mutex name may not hold a backslash.
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(wide(folder).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) fail("lock the folder", folder, GetLastError());
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : full) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\genera_scenario-%016llx", static_cast<unsigned long long>(hash));
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    if (!mutex) fail("lock the folder", folder, GetLastError());
    folder_lock lock(reinterpret_cast<std::intptr_t>(mutex));
    DWORD r = WaitForSingleObject(mutex, 1000);
    if (r == WAIT_TIMEOUT) {
        waiting();
        const DWORD rest = limit_seconds > 1 ? static_cast<DWORD>(limit_seconds - 1) * 1000 : 0;
        r = WaitForSingleObject(mutex, rest);
    }
    // An abandoned mutex was held by a run that ended without releasing it: it is ours now.
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) return lock;
    CloseHandle(mutex);
    lock.handle = -1;
    if (r == WAIT_TIMEOUT)
        throw file_error{"cannot lock the folder " + folder + ": another run has held it for more than " +
                         std::to_string(limit_seconds) + " s"};
    fail("lock the folder", folder, GetLastError());
}

namespace {

// The console's control handler runs on a thread of its own: it waits for a group of renames
// in hand to finish or be undone (the critical section), removes the files remembered in the
// fixed table, and ends the process.
constexpr int interruption_places = 32;
struct interruption_place {
    wchar_t path[1024];
    volatile LONG used;
};
interruption_place interruption_table[interruption_places];
CRITICAL_SECTION renames_in_hand;
volatile LONG interruptions_ready = 0;
volatile LONG interruption_arrived = 0;
int hold_depth = 0;

BOOL WINAPI on_interruption(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT &&
        event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    InterlockedExchange(&interruption_arrived, 1);
    EnterCriticalSection(&renames_in_hand);
    for (interruption_place& p : interruption_table)
        if (p.used) DeleteFileW(p.path);
    ExitProcess(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? 130 : 129);
}

}  // namespace

void handle_interruptions() {
    InitializeCriticalSection(&renames_in_hand);
    InterlockedExchange(&interruptions_ready, 1);
    SetConsoleCtrlHandler(on_interruption, TRUE);
}

int remember_for_interruption(const std::string& path) {
    const std::wstring w = wide(path);
    if (w.size() >= sizeof interruption_table[0].path / sizeof(wchar_t))
        throw file_error{"cannot write " + path + ": the path is too long"};
    for (int i = 0; i < interruption_places; ++i) {
        interruption_place& p = interruption_table[i];
        if (p.used) continue;
        std::copy(w.c_str(), w.c_str() + w.size() + 1, p.path);
        InterlockedExchange(&p.used, 1);
        return i;
    }
    throw file_error{"cannot write " + path + ": too many files in hand at once"};
}

void forget_for_interruption(int place) {
    if (place >= 0 && place < interruption_places) InterlockedExchange(&interruption_table[place].used, 0);
}

interruptions_held::interruptions_held() {
    if (interruptions_ready && hold_depth++ == 0) EnterCriticalSection(&renames_in_hand);
}

interruptions_held::~interruptions_held() {
    if (interruptions_ready && --hold_depth == 0) LeaveCriticalSection(&renames_in_hand);
}

bool interruption_pending() { return interruption_arrived != 0; }

void delete_file(const std::string& path) {
    if (!DeleteFileW(wide(path).c_str())) {
        const DWORD err = GetLastError();
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) fail("delete", path, err);
    }
}

void make_folder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(wide(path)), ec);
    if (ec) throw file_error{"cannot create folder " + path + ": " + ec.message()};
}

void show_window(const std::string& caption) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"Form1";
    RegisterClassW(&wc);

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // The client area is 4200 x 2688 twips: 280 x 179 pixels at 96 DPI.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, MulDiv(280, dpi, 96), MulDiv(179, dpi, 96)};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    window = CreateWindowExW(0, L"Form1", L"genera_scenario", style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!window) return;
    HWND label = CreateWindowExW(0, L"STATIC", wide(caption).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                                 MulDiv(64, dpi, 96), MulDiv(64, dpi, 96), MulDiv(177, dpi, 96),
                                 MulDiv(53, dpi, 96), window, nullptr, instance, nullptr);
    // 24 point bold; where "MS Sans Serif" is missing the system picks the nearest sans-serif face.
    HFONT font = CreateFontW(-MulDiv(24, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             L"MS Sans Serif");
    if (label && font) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ShowWindow(window, SW_SHOWNORMAL);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
#ifdef GS_TEST_HOOKS
    // Test builds only: hold the window (pumping its messages) so that a screenshot can be
    // taken, or show the fatal error box at once.
    if (const char* ms = std::getenv("GS_HOLD_WINDOW_MS")) {
        const ULONGLONG until = GetTickCount64() + std::strtoull(ms, nullptr, 10);
        while (GetTickCount64() < until) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(20);
        }
    }
    if (const char* n = std::getenv("GS_FORCE_ERROR")) {
        message_box(std::string(" Errore n. ") + n);
        end_program(1);
    }
#endif
}

void message_box(const std::string& text) {
    if (console) {
        write_console(text);
        return;
    }
    MessageBoxW(window, wide(text).c_str(), L"genera_scenario", MB_OK);
}

void report_failure(const std::string& text) {
    if (console) {
        write_console(text);
        return;
    }
    MessageBoxW(window, wide(text).c_str(), L"genera_scenario", MB_OK | MB_ICONERROR);
}

// The console of a Windows program shows escape sequences only once asked to; colour stays off
// unless --color=always says otherwise.
bool is_terminal(bool) { return false; }

void report_note(const std::string& text) {
    // A build status is not shown in a window; where the output goes somewhere, it is told there.
    if (console || valid(GetStdHandle(STD_ERROR_HANDLE))) write_console(text);
}

bool standard_output_written(std::string& reason) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int err = errno;
    if (flushed && std::cout && !std::ferror(stdout)) return true;
    reason = err != 0 ? std::strerror(err) : "write error";
    return false;
}

void end_program(int exit_status) {
    std::cout.flush();
    std::cerr.flush();
    if (window) DestroyWindow(window);
    std::exit(exit_status);
}

std::string replace_process(const std::string&, const std::vector<std::string>&) {
    return "the Windows program runs no other program";
}

void open_in_browser(const std::string& url) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) report_note("cannot open a browser; open " + url);
}

}  // namespace platform
