// compile --documents and decompile --documents: the driver's three documents for the scenario
// just compiled, to be replaced together with its binary files.
#pragma once

#include <string>
#include <vector>

#include "core/registri.hpp"
#include "platform/platform.hpp"
#include "tools/descriptions.hpp"

struct document_options {
    std::string model_file;  // the train of the passing times; empty: the one made from the service
    std::string notes_file;  // the author's notes; empty: a summary of the scenario
    input_encoding notes_encoding = input_encoding::cp1252;
};

// NAME_CODE_scheda_treno.txt, NAME_CODE_rallentamenti.txt and NAME_CODE_note.txt in the build's
// folder, as Windows-1252 text with CR LF. Warnings (a name cut, a timetable that cannot be worked
// out) go to standard error as notes; false after reporting a model or notes file that cannot be read.
bool make_driver_documents(const stato_build& s, const document_options& o, std::vector<platform::file_contents>& out);
