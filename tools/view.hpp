// The live viewer: the scenario of two descriptions as one page with its data, served on the
// loopback address and read again whenever a description is saved, or written as one file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/descriptions.hpp"

struct view_sources {
    std::string line_file;
    std::string service_file;
    input_encoding encoding = input_encoding::cp1252;
};

// Everything the page draws, as one JSON document: the profiles cell by cell, the plan, every
// object with its fields as written and as stored and the FILE:LINE of the entry that placed it,
// the stations, the findings of check and the timetable with its fastest run. `ok` is false when
// the descriptions could not be read into a route (the findings then say why).
struct view_data {
    bool ok = false;
    std::string json;
};
view_data build_view_data(const view_sources& q, std::uint64_t version);

// The page itself: its HTML with the script and the style inline, and, for the served page, no
// data (it fetches /data.json and listens on /events); for a shared file, the data embedded.
std::string view_page(const std::string* embedded_data);

// Which requests the server answers: GET (or HEAD) of "/", "/data.json" and "/events" only,
// with a Host header naming the loopback address and the server's port. Anything else is refused
// with the status returned (0 when the request is answered).
int refused_request(std::string_view method, std::string_view path, std::string_view host, int port);

// Serves the page on 127.0.0.1 (port 0: a free one) until interrupted; returns the exit status
// (1 when the port cannot be had). The server is a program of its own beside this one,
// genera_scenario_view, which this one becomes: only it carries the HTTP library and what that
// library loads, so that no other command pays for them.
int serve_view(const view_sources& q, int port, bool open_browser);

// The server itself, in genera_scenario_view.
int serve_view_here(const view_sources& q, int port, bool open_browser);

// The name of the server program beside this one.
inline constexpr const char* view_server_program = "genera_scenario_view";

// view --html FILE: the page with the scenario's data inside, for sharing without the program.
int write_view_html(const view_sources& q, const std::string& output, bool quiet);
