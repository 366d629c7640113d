// A readable listing of a compiled file, for authors.
#pragma once

#include <string>

enum class dump_format { text, json };

// Lists the file on standard output. Returns the exit status: 0, or 1 with a message on
// standard error when the file cannot be read or does not match its layout.
int dump_file(const std::string& path, dump_format format);
