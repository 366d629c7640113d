// The Windows half of the platform layer: wide-character file names, the "Attendere"
// window, the message box, and the parent's console for the commands.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// Writes the file's bytes to `temporary`; a failure (or anything the producer throws) closes
// and removes the temporary, and names the file being replaced.
void write_whole(const std::wstring& temporary, const file_contents& f) {
    HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (!valid(h)) fail("write", f.path, GetLastError());
    const byte_sink put = [&](std::string_view piece) {
        while (!piece.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(piece.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(h, piece.data(), chunk, &written, nullptr) || written == 0) {
                const DWORD err = GetLastError();
                fail("write", f.path, err);
            }
            piece.remove_prefix(written);
        }
    };
    try {
        if (f.produce) {
            f.produce(put);
        } else {
            put(f.bytes);
        }
    } catch (...) {
        CloseHandle(h);
        DeleteFileW(temporary.c_str());
        throw;
    }
    if (!CloseHandle(h)) {
        const DWORD err = GetLastError();
        DeleteFileW(temporary.c_str());
        fail("write", f.path, err);
    }
}

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

bool read_file(const std::string& path, std::string& bytes, std::string& reason) {
    HANDLE f = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!valid(f)) {
        reason = reason_of(GetLastError());
        return false;
    }
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(f, buffer, sizeof buffer, &n, nullptr)) {
            reason = reason_of(GetLastError());
            CloseHandle(f);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, n);
    }
    CloseHandle(f);
    return true;
}

void replace_file(const std::string& path, const std::string& bytes) { replace_files({{path, bytes}}); }

void replace_files(const std::vector<file_contents>& files) {
    std::vector<std::wstring> written;
    auto remove_written = [&] {
        for (const std::wstring& t : written) DeleteFileW(t.c_str());
    };
    try {
        for (const file_contents& f : files) {
            const std::wstring temporary = wide(f.path + "." + std::to_string(GetCurrentProcessId()) + ".tmp");
            write_whole(temporary, f);
            written.push_back(temporary);
        }
    } catch (...) {
        remove_written();
        throw;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!MoveFileExW(written[i].c_str(), wide(files[i].path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
            const DWORD err = GetLastError();
            for (std::size_t k = i; k < written.size(); ++k) DeleteFileW(written[k].c_str());
            fail("replace", files[i].path, err);
        }
    }
}

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

void end_program(int exit_status) {
    std::cout.flush();
    std::cerr.flush();
    if (window) DestroyWindow(window);
    std::exit(exit_status);
}

}  // namespace platform
