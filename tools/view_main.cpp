// genera_scenario_view: the page's server, started by `genera_scenario view` in its place with
// the arguments LINE_FILE SERVICE_FILE PORT open|- cp1252|utf-8.
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "tools/view.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> a = platform::command_arguments(argc, argv);
    if (a.size() != 5) {
        platform::report_failure("genera_scenario_view is started by genera_scenario view");
        return 64;
    }
    view_sources q;
    q.line_file = a[0];
    q.service_file = a[1];
    q.encoding = a[4] == "utf-8" ? input_encoding::utf8 : input_encoding::cp1252;
    try {
        return serve_view_here(q, std::atoi(a[2].c_str()), a[3] == "open");
    } catch (const std::exception& e) {
        platform::report_failure(std::string("unexpected failure: ") + e.what());
        return 1;
    }
}
