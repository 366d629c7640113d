// The manual page and the bash completion, made from the same command table and options as
// --help, so that neither can tell something the program does not do.
#pragma once

#include <string>

// The manual page, in groff's man macros.
std::string manual_page();

// A bash script that defines the completion of genera_scenario's commands, options and values.
std::string bash_completion();
