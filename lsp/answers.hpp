// What the server answers about one analysed description: its problems, hover texts, field-name
// hints, completions, outline, layout edits and fixes, as protocol JSON.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/indice_righe.hpp"
#include "diagnostics/diagnostica.hpp"
#include "lsp/documents.hpp"
#include "timetable/timetable.hpp"

namespace lsp {

// Where each line of a Windows-1252 text starts; a byte's column is its editor column.
using line_index = indice_righe;

line_index index_lines(std::string_view text);
position position_at(const line_index& lines, std::size_t offset);
std::size_t offset_at(const line_index& lines, position p);

// What the editor's settings ask of the timetable: {"timetable": true} judges every scheduled
// time of a service against the fastest run of its train, as check --timetable does;
// {"trainModel": "FILE"} takes the train from a TOML model file (a path, absolute or from the
// folder the editor starts the server in, or a file: URI) instead of the one made from the
// service.
struct timetable_settings {
    bool on = false;
    std::string model_file;  // empty: the train made from the service
    friend bool operator==(const timetable_settings&, const timetable_settings&) = default;
};

// Takes the settings from initializationOptions or a workspace/didChangeConfiguration's
// settings, at their top or under "generaScenario"; a key that is not there keeps its value.
void read_timetable_settings(const nlohmann::json& settings, timetable_settings& t);

// One description as the engine read it, beside the line it was read with.
struct document_analysis {
    std::string text;  // Windows-1252, one byte per editor column
    line_index lines;
    quale_file file = quale_file::linea;
    std::vector<rilievo> diagnostics;  // of this description only
    std::vector<campo_letto> fields;
    // The line description a service was read with, for related information.
    std::string line_uri;
    line_index line_lines;
    std::vector<campo_letto> line_fields;
    // A service with the timetable on, read with its line and built: every station's row of the
    // timetable (empty otherwise), for the hover on its time fields.
    std::vector<timetable_row> timetable;
};

// Reads `text` with the engine; a service with `line_text` (none: read without a route) and,
// when the timetable is on and the pair builds, the timetable's findings as check --timetable
// gives them (a model file that cannot be read is an error about the service instead).
// A line is read with each of `service_texts`, the services read with it, as check reads each
// pair: its findings are those of every pair, each once (a line item that a station's stop
// marker overwrites is found only with that service); with none, the line is read alone.
document_analysis analyse(document_kind kind, std::string text, const std::string* line_text,
                          const std::string& line_uri, const timetable_settings& timetable = {},
                          const std::vector<std::string>& service_texts = {});

nlohmann::json diagnostics_json(const document_analysis& a);
nlohmann::json hover_json(const document_analysis& a, position p);
nlohmann::json inlay_hints_json(const document_analysis& a, position from, position to);
nlohmann::json completion_json(const document_analysis& a, position p);
nlohmann::json document_symbols_json(const document_analysis& a);
nlohmann::json formatting_json(const document_analysis& a);
nlohmann::json code_actions_json(const document_analysis& a, const std::string& uri, position from, position to);

// What a number field's value becomes in the compiled files, in words ("stored as 17"); empty
// where it is stored as written.
std::string stored_as(std::string_view entry, int index, std::string_view value);

}  // namespace lsp
