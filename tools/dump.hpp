// A readable listing of a compiled file, for authors.
#pragma once

#include <ostream>
#include <string>

enum class dump_format { text, json };

// A compiled file is known by its name: *_linea.dat (plan), *.sim (slots), *.dat (route).
enum class file_kind { plan, slots, route, unknown };
file_kind kind_of(const std::string& name);

// Lists a compiled file's bytes on `out`, the kind taken from the file's name. Returns false
// with the reason when the bytes do not match the layout; nothing is written to `out` then.
bool dump_bytes(const std::string& name, const std::string& bytes, dump_format format, std::ostream& out,
                std::string& error);

// Lists the file on standard output. Returns the exit status: 0, or 1 with a message on
// standard error when the file cannot be read or does not match its layout.
int dump_file(const std::string& path, dump_format format);
