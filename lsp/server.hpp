// The language server for line and service descriptions.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/answers.hpp"
#include "lsp/documents.hpp"

namespace lsp {

struct server_state {
    document_store documents;
    std::map<std::string, document_analysis> analyses;  // by URI, for the documents' current text
    timetable_settings timetable;  // from initializationOptions and workspace/didChangeConfiguration
    bool initialized = false;
    bool shutdown_requested = false;
    std::optional<int> exit_status;  // set by the exit notification
    // The message in hand had a text too long for a description, emptied before it was parsed:
    // its length in UTF-16 code units (0: none). A didOpen or a whole-text didChange with an
    // empty text is then refused with this length.
    std::size_t cut_text_units = 0;
};

// Answers one message (already parsed); returns what the server sends back: the response to
// a request, and any notifications the message gives rise to.
std::vector<nlohmann::json> handle_message(server_state& state, const nlohmann::json& message);

// Serves the protocol over the two streams until the exit notification or the end of the
// input; returns the exit status (0 only after a shutdown request).
int serve(std::istream& in, std::ostream& out);

}  // namespace lsp
