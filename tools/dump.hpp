// A readable listing of a compiled file, for authors.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

enum class dump_format { text, json };

// decoded: the values in the author's units (per mille, km/h, metres, names); raw: the stored
// fields under their stored names.
enum class dump_values { decoded, raw };

// A compiled file is known by its name: *_linea.dat (plan), *.sim (slots), *.dat (route).
enum class file_kind { plan, slots, route, unknown };
file_kind kind_of(const std::string& name);

// The name of a cell kind (`tipo_cella`), as the listings and the viewer show it.
const char* cell_kind_name(std::uint8_t t);

// Lists a compiled file's bytes on `out`, the kind taken from the file's name. Returns false
// with the reason when the bytes do not match the layout; nothing is written to `out` then.
// The listing is written as it is made, so it holds nothing in proportion to the file.
bool dump_bytes(const std::string& name, const std::string& bytes, dump_format format, dump_values values,
                std::ostream& out, std::string& error);

// Lists the file on standard output. Returns the exit status: 0, or 1 with a message on
// standard error when the file cannot be read or does not match its layout. Standard output
// that cannot be written is told by the program as it ends, as for every command.
int dump_file(const std::string& path, dump_format format, dump_values values);
