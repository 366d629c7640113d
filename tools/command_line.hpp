// The commands for scenario authors, beside the plain build that runs without arguments.
#pragma once

#include <string>
#include <vector>

inline constexpr int exit_usage = 64;

// Runs the command named by the arguments (program name excluded); returns the exit status.
int run_command(const std::vector<std::string>& args);
