#include <iostream>
#include <memory>

#include "lsp/server.hpp"
#include "platform/platform.hpp"
#include "tools/command.hpp"

command lsp_command() {
    return {
        "lsp",
        "serve line and service descriptions to an editor (Language Server Protocol)",
        "Serves the Language Server Protocol over standard input and output for line descriptions\n"
        "(*_linea.txt) and service descriptions (*-.txt).",
        "  0  after a shutdown request and the exit notification\n"
        "  1  the exit notification without a shutdown request, or the input ended first\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            // Editors often pass --stdio; it is the only transport there is.
            auto stdio = std::make_shared<bool>(false);
            app.add_flag("--stdio", *stdio, "talk over standard input and output (the only transport)");
            return [stdio] {
                platform::binary_standard_streams();
                return lsp::serve(std::cin, std::cout);
            };
        },
    };
}
