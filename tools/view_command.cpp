#include <memory>

#include "tools/command.hpp"
#include "tools/view.hpp"

namespace {

struct view_options {
    std::string line_file;
    std::string service_file;
    int port = 0;
    bool open = false;
    std::string html;
    bool quiet = false;
    std::string encoding = "cp1252";
};

int view(const view_options& o) {
    if (o.line_file.empty() || o.service_file.empty()) throw usage_error{"view takes a line file and a service file"};
    if (o.port < 0 || o.port > 65535) throw usage_error{"--port takes 0 to 65535"};
    if (!o.html.empty() && (o.port != 0 || o.open)) throw usage_error{"--html writes a file: it takes no --port or --open"};
    view_sources q;
    q.line_file = o.line_file;
    q.service_file = o.service_file;
    q.encoding = parse_input_encoding(o.encoding);
    if (!inputs_exist({o.line_file, o.service_file})) return 1;
    if (!o.html.empty()) {
        if (!outputs_apart_from_inputs({o.line_file, o.service_file}, {o.html})) return 1;
        return write_view_html(q, o.html, o.quiet);
    }
    return serve_view(q, o.port, o.open);
}

}  // namespace

command view_command() {
    return {
        "view",
        "see the scenario in a browser while you write it: plan, profiles, objects, findings, timetable",
        "Serves one page on http://127.0.0.1:PORT/ (the loopback address only; a free port unless --port\n"
        "says which, printed on standard error) until interrupted: the track plan and the profiles along\n"
        "one kilometre axis (speed limit with the fastest run of timetable, gradient, curvature, adhesion,\n"
        "mountains, stations), every object with its fields as written and as stored and the FILE:LINE of\n"
        "the entry that placed it, the findings of check and the timetable. Wheel or +/- zooms, dragging\n"
        "or the arrows pan, 0 shows the whole line. When a description is saved the page reads it again\n"
        "within a second and keeps its view; a description that does not read shows its findings and\n"
        "keeps the last good picture. The server answers only GET for its page and its data, writes\n"
        "nothing, and outlives closed browsers. --html FILE writes the page with the data inside instead.",
        "  0  served until interrupted, or the page written\n"
        "  1  an input is missing, or the port cannot be had, or the page cannot be written\n"
        "  2  (--html) the page was written, but the descriptions do not read into a route\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<view_options>();
            app.add_option("LINE_FILE", o->line_file, "the line description")->type_name("");
            app.add_option("SERVICE_FILE", o->service_file, "the service description")->type_name("");
            app.add_option("--port", o->port, "the port on 127.0.0.1 (default: a free one)")->type_name("N");
            app.add_flag("--open", o->open, "open the page in the browser");
            app.add_option("--html", o->html, "write the page with the data inside to FILE, and serve nothing")
                ->type_name("FILE");
            add_quiet_option(app, o->quiet);
            add_input_encoding_option(app, o->encoding);
            return [o] { return view(*o); };
        },
    };
}
