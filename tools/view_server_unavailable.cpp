#include "platform/platform.hpp"
#include "tools/view.hpp"

// The Windows program carries no HTTP server: the page is written as a file instead.
int serve_view(const view_sources&, int, bool) {
    platform::report_failure("this build of genera_scenario serves no page: write it with view --html FILE and open that");
    return 1;
}
