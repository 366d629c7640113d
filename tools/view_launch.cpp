#include "platform/platform.hpp"
#include "tools/view.hpp"

int serve_view(const view_sources& q, int port, bool open_browser) {
    const std::string server = platform::join_path(platform::program_folder(), view_server_program);
    const std::string reason = platform::replace_process(
        server, {q.line_file, q.service_file, std::to_string(port), open_browser ? "open" : "-",
                 q.encoding == input_encoding::utf8 ? "utf-8" : "cp1252"});
    platform::report_failure("cannot start the page's server " + server + ": " + reason);
    return 1;
}
