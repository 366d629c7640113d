// genera_scenario fmt: brings descriptions to the canonical layout, or lists those that are not.
#pragma once

#include <string>
#include <vector>

// Rewrites each file that is not in the canonical layout; with `check`, writes nothing and
// lists them instead. Returns 0, or 1 when a file could not be read or written or (with
// `check`) is not formatted. The names of the files rewritten are added to `written`.
int format_files(const std::vector<std::string>& files, bool check, std::vector<std::string>& written);
