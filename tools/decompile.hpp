// The decompile command: editable descriptions back from a compiled scenario.
#pragma once

#include <string>
#include <vector>

#include "tools/driver_documents.hpp"

// Reads the compiled files (the plan may be empty: a set built without it), writes
// NAME_linea.txt and NAME_CODE-.txt into `output_folder` and returns the exit status:
// 0 when they recompile to the same bytes, 2 when some cell or slot could not be matched
// (the texts are written as far as they go), 1 when nothing could be written. The names of the
// files written are added to `written`.
// With `documents`, the driver's three documents a compile of the texts gives are written with them,
// all in one set. A file already at one of the names is replaced only with `force`; one of the
// files read never is.
int decompile_files(const std::string& plan, const std::string& slots, const std::string& route,
                    const std::string& output_folder, std::vector<std::string>& written,
                    const document_options* documents = nullptr, bool force = false);
