#include "lsp/server.hpp"

#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>

#include "core/costanti.hpp"
#include "lsp/protocol.hpp"
#include "platform/platform.hpp"

namespace lsp {

using nlohmann::json;

namespace {

// A request that cannot be answered; turned into the protocol's error response.
struct request_error {
    rpc_error code;
    std::string message;
};

json error_response(const json& id, rpc_error code, const std::string& message) {
    return json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", static_cast<int>(code)}, {"message", message}}}};
}

json result_response(const json& id, json result) {
    return json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

json notification(const char* method, json params) {
    return json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

json capabilities() {
    return json{
        {"positionEncoding", "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
        {"hoverProvider", true},
        {"inlayHintProvider", true},
        {"completionProvider", json::object()},
        {"documentSymbolProvider", true},
        {"documentFormattingProvider", true},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
    };
}

position position_of(const json& p) {
    return position{p.at("line").get<std::uint32_t>(), p.at("character").get<std::uint32_t>()};
}

const std::string& uri_of(const json& params) {
    return params.at("textDocument").at("uri").get_ref<const std::string&>();
}

open_document& document_of(server_state& state, const json& params) {
    const std::string& uri = uri_of(params);
    const auto found = state.documents.find(uri);
    if (found == state.documents.end()) throw request_error{rpc_error::invalid_params, "unknown document " + uri};
    return found->second;
}

std::string folder_of(const std::string& uri) {
    const std::size_t slash = uri.find_last_of('/');
    return slash == std::string::npos ? std::string() : uri.substr(0, slash + 1);
}

// The URI of the line a service is read with (open or not), or empty.
std::string line_uri_for(const open_document& service) {
    const auto name = line_name_for_service(file_name_of(service.uri));
    return name ? folder_of(service.uri) + *name : std::string();
}

// The services read with a line: those open, from their buffers, and those beside it on disk
// that are not open, from their files; in the order of their URIs.
std::vector<std::string> service_texts_for(const server_state& state, const std::string& line_uri) {
    // By path (by URI for a document that has none); nothing for an open service too long to
    // read, whose file is not read either: its buffer is the one the author sees.
    std::map<std::string, std::optional<std::string>> texts;
    for (const auto& [uri, other] : state.documents) {
        if (other.kind != document_kind::service || line_uri_for(other) != line_uri) continue;
        const auto path = path_of_uri(uri);
        auto& text = texts[path ? *path : uri];
        if (other.refused_units == 0) text = reader_text(other.text);
    }
    if (const auto path = path_of_uri(line_uri)) {
        const std::string_view line_name = file_name_of(*path);
        // The folder as the URI gives it, with its last slash: a service's path is that and its name.
        const std::string folder = path->substr(0, path->size() - line_name.size());
        for (const std::string& name : platform::list_files(folder.empty() ? "." : folder)) {
            const auto paired = line_name_for_service(name);
            if (!paired || *paired != line_name) continue;
            const std::string service_path = folder + name;
            if (texts.count(service_path)) continue;  // open: its buffer is read
            std::string text, reason;
            if (platform::read_file(service_path, text, reason, dimensione_massima_descrizione))
                texts[service_path] = std::move(text);
        }
    }
    std::vector<std::string> out;
    out.reserve(texts.size());
    for (auto& [where, text] : texts)
        if (text) out.push_back(std::move(*text));
    return out;
}

// Reads the document with the engine; a service with its line, from the open buffer or the file.
void analyse_document(server_state& state, const open_document& document) {
    if (document.refused_units > 0) {
        // Too long to read: one finding says so, and nothing of it is analysed.
        document_analysis a = analyse(document.kind, std::string(), nullptr, "");
        rilievo r;
        r.file = a.file;
        r.messaggio = "the description holds " + std::to_string(document.refused_units) +
                      " characters, more than the limit of " + std::to_string(dimensione_massima_descrizione) +
                      " (16 MiB): it is not analysed";
        a.diagnostics.assign(1, r);
        state.analyses[document.uri] = std::move(a);
        return;
    }
    if (document.kind == document_kind::line) {
        state.analyses[document.uri] = analyse(document.kind, reader_text(document.text), nullptr, "", state.timetable,
                                               service_texts_for(state, document.uri));
        return;
    }
    std::string line_text;
    const std::string* line = nullptr;
    const std::string line_uri = line_uri_for(document);
    if (!line_uri.empty()) {
        const auto open = state.documents.find(line_uri);
        if (open != state.documents.end()) {
            line_text = reader_text(open->second.text);
            line = &line_text;
        } else if (const auto path = path_of_uri(line_uri)) {
            std::string reason;
            if (platform::read_file(*path, line_text, reason)) line = &line_text;
        }
    }
    state.analyses[document.uri] =
        analyse(document.kind, reader_text(document.text), line, line ? line_uri : "", state.timetable);
}

json diagnostics_of(const server_state& state, const open_document& document) {
    return notification("textDocument/publishDiagnostics",
                        {{"uri", document.uri},
                         {"version", document.version},
                         {"diagnostics", diagnostics_json(state.analyses.at(document.uri))}});
}

// The open services read with this line, analysed again and published.
void refresh_services(server_state& state, const std::string& line_uri, std::vector<json>& out) {
    for (const auto& [uri, other] : state.documents) {
        if (other.kind == document_kind::service && line_uri_for(other) == line_uri) {
            analyse_document(state, other);
            out.push_back(diagnostics_of(state, other));
        }
    }
}

// Analyses a changed document and publishes its problems, and those of the open services that
// are read with it when it is a line.
void refresh(server_state& state, const open_document& document, std::vector<json>& out) {
    analyse_document(state, document);
    out.push_back(diagnostics_of(state, document));
    if (document.kind == document_kind::line) {
        refresh_services(state, document.uri, out);
    } else if (const std::string line_uri = line_uri_for(document); !line_uri.empty()) {
        // The line's own findings may come from this service (an item its station overwrites).
        const auto line = state.documents.find(line_uri);
        if (line != state.documents.end() && line->second.refused_units == 0) {
            analyse_document(state, line->second);
            out.push_back(diagnostics_of(state, line->second));
        }
    }
}

const document_analysis& analysis_of(server_state& state, const json& params) {
    return state.analyses.at(document_of(state, params).uri);
}

// A text longer than a description may be is dropped and the document marked refused.
void refuse_if_too_long(open_document& document) {
    const std::size_t units = utf16_units(document.text);
    if (units <= dimensione_massima_descrizione) return;
    document.refused_units = units;
    std::string().swap(document.text);
}

void did_open(server_state& state, const json& params, std::vector<json>& out) {
    const json& item = params.at("textDocument");
    open_document document;
    document.uri = item.at("uri").get<std::string>();
    document.version = item.value("version", std::int64_t{0});
    if (state.cut_text_units > 0 && item.at("text").get_ref<const std::string&>().empty()) {
        document.refused_units = state.cut_text_units;
        document.kind = kind_of_document(document.uri, std::string_view());
    } else {
        document.text = item.at("text").get<std::string>();
        document.kind = kind_of_document(document.uri, document.text);
        refuse_if_too_long(document);
    }
    open_document& stored = state.documents[document.uri] = std::move(document);
    refresh(state, stored, out);
}

void did_change(server_state& state, const json& params, std::vector<json>& out) {
    const std::string& uri = uri_of(params);
    const auto found = state.documents.find(uri);
    if (found == state.documents.end()) return;  // a change to a document never opened: nothing to apply it to
    open_document& document = found->second;
    for (const json& c : params.at("contentChanges")) {
        text_change change;
        change.text = c.at("text").get<std::string>();
        if (c.contains("range")) {
            change.start = position_of(c.at("range").at("start"));
            change.end = position_of(c.at("range").at("end"));
        }
        if (!change.start && state.cut_text_units > 0 && change.text.empty()) {
            // A whole new text too long to hold.
            document.text.clear();
            document.refused_units = state.cut_text_units;
            continue;
        }
        // A document refused for its length is not held: only a whole new text brings it back.
        if (document.refused_units > 0 && change.start) continue;
        document.refused_units = 0;
        apply_change(document, change);
        refuse_if_too_long(document);
    }
    document.version = params.at("textDocument").value("version", document.version + 1);
    refresh(state, document, out);
}

// New timetable settings: every open service is analysed again with them and published.
void did_change_configuration(server_state& state, const json& params, std::vector<json>& out) {
    const timetable_settings before = state.timetable;
    if (params.is_object()) read_timetable_settings(params.value("settings", json()), state.timetable);
    if (state.timetable == before) return;
    for (const auto& [uri, document] : state.documents) {
        if (document.kind != document_kind::service) continue;
        analyse_document(state, document);
        out.push_back(diagnostics_of(state, document));
    }
}

void did_close(server_state& state, const json& params, std::vector<json>& out) {
    const std::string uri = uri_of(params);
    const auto found = state.documents.find(uri);
    if (found == state.documents.end()) return;
    const bool line = found->second.kind == document_kind::line;
    state.documents.erase(found);
    state.analyses.erase(uri);
    // The problems of a closed document leave the editor's list with it.
    out.push_back(notification("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}}));
    // The open services read with this line go back to the file on disk.
    if (line) refresh_services(state, uri, out);
}

json answer_request(server_state& state, const std::string& method, const json& params) {
    if (method == "initialize") {
        if (state.initialized) throw request_error{rpc_error::invalid_request, "initialize was already received"};
        state.initialized = true;
        if (params.is_object()) read_timetable_settings(params.value("initializationOptions", json()), state.timetable);
        return json{{"capabilities", capabilities()}, {"serverInfo", {{"name", "genera_scenario"}}}};
    }
    if (!state.initialized) throw request_error{rpc_error::server_not_initialized, "initialize must come first"};
    if (state.shutdown_requested) throw request_error{rpc_error::invalid_request, "the server is shutting down"};
    if (method == "shutdown") {
        state.shutdown_requested = true;
        return nullptr;
    }
    if (method == "textDocument/hover")
        return hover_json(analysis_of(state, params), position_of(params.at("position")));
    if (method == "textDocument/inlayHint") {
        const json& range = params.at("range");
        return inlay_hints_json(analysis_of(state, params), position_of(range.at("start")), position_of(range.at("end")));
    }
    if (method == "textDocument/completion")
        return completion_json(analysis_of(state, params), position_of(params.at("position")));
    if (method == "textDocument/documentSymbol") return document_symbols_json(analysis_of(state, params));
    if (method == "textDocument/formatting") return formatting_json(analysis_of(state, params));
    if (method == "textDocument/codeAction") {
        const json& range = params.at("range");
        return code_actions_json(analysis_of(state, params), uri_of(params), position_of(range.at("start")),
                                 position_of(range.at("end")));
    }
    throw request_error{rpc_error::method_not_found, "unknown method " + method};
}

void take_notification(server_state& state, const std::string& method, const json& params, std::vector<json>& out) {
    if (method == "exit") {
        state.exit_status = state.shutdown_requested ? 0 : 1;
        return;
    }
    // Before initialize every notification but exit is dropped, and after shutdown too.
    if (!state.initialized || state.shutdown_requested) return;
    if (method == "textDocument/didOpen") return did_open(state, params, out);
    if (method == "textDocument/didChange") return did_change(state, params, out);
    if (method == "textDocument/didClose") return did_close(state, params, out);
    if (method == "workspace/didChangeConfiguration") return did_change_configuration(state, params, out);
    // initialized, didSave, $/cancelRequest, $/setTrace and anything unknown need nothing.
}

}  // namespace

std::vector<json> handle_message(server_state& state, const json& message) {
    std::vector<json> out;
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        // A response from the client (the server sends no requests) is not an error.
        if (message.is_object() && message.contains("id") && (message.contains("result") || message.contains("error")))
            return out;
        json id = message.is_object() && message.contains("id") ? message["id"] : json(nullptr);
        if (!id.is_number_integer() && !id.is_string()) id = nullptr;
        out.push_back(error_response(id, rpc_error::invalid_request, "a message needs a method name"));
        return out;
    }
    const std::string& method = message["method"].get_ref<const std::string&>();
    static const json no_params = json::object();
    const json& params = message.contains("params") ? message["params"] : no_params;
    const bool is_request = message.contains("id");
    if (!is_request) {
        try {
            take_notification(state, method, params, out);
        } catch (...) {
            // A notification gets no answer, not even an error; a bad one changes nothing.
        }
        return out;
    }
    const json& id = message["id"];
    if (!id.is_number_integer() && !id.is_string()) {
        out.push_back(error_response(nullptr, rpc_error::invalid_request, "a request id is a number or a string"));
        return out;
    }
    try {
        out.insert(out.begin(), result_response(id, answer_request(state, method, params)));
    } catch (const request_error& e) {
        out.insert(out.begin(), error_response(id, e.code, e.message));
    } catch (const json::exception& e) {
        out.insert(out.begin(), error_response(id, rpc_error::invalid_params, std::string("bad parameters: ") + e.what()));
    } catch (...) {
        // Whatever went wrong with one request, the server stays up for the next.
        out.insert(out.begin(), error_response(id, rpc_error::internal_error, "the request could not be answered"));
    }
    return out;
}

namespace {

void send(std::ostream& out, const json& message) {
    // Whatever bytes a client sent that are not UTF-8 are replaced, so every reply serialises.
    write_frame(out, message.dump(-1, ' ', false, json::error_handler_t::replace));
}

// Looks through a body before it is parsed: arrays and objects nested deeper than
// deepest_nesting make it refused (the reason is returned); a string longer than a description
// may be (counted in UTF-16 code units, as the editor counts characters) is emptied in place,
// so it is never built, and its length kept in `cut_units`. Linear in the body.
std::string look_through(std::string& body, std::size_t& cut_units) {
    cut_units = 0;
    std::size_t depth = 0;
    std::size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        if (c == '[' || c == '{') {
            if (++depth > deepest_nesting)
                return "arrays and objects nested more than " + std::to_string(deepest_nesting) + " deep";
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        } else if (c == '"') {
            const std::size_t start = i + 1;
            std::size_t units = 0;
            std::size_t j = start;
            while (j < body.size() && body[j] != '"') {
                const auto b = static_cast<unsigned char>(body[j]);
                if (b == '\\') {
                    // \uXXXX is one code unit, any other escape one character.
                    j += (j + 1 < body.size() && body[j + 1] == 'u') ? std::size_t{6} : std::size_t{2};
                    ++units;
                    continue;
                }
                if (b < 0x80 || (b >= 0xC0 && b < 0xF0)) ++units;
                else if (b >= 0xF0) units += 2;
                ++j;
            }
            if (j >= body.size()) break;  // an unfinished string: the parser says so
            if (units > dimensione_massima_descrizione) {
                body.erase(start, j - start);
                j = start;
                cut_units = std::max(cut_units, units);
            }
            i = j + 1;
            continue;
        }
        ++i;
    }
    return std::string();
}

}  // namespace

int serve(std::istream& in, std::ostream& out) {
    server_state state;
    std::string body;
    for (;;) {
        switch (read_frame(in, body)) {
            case frame_status::end_of_input:
            case frame_status::cut_short:
                return 1;  // the client went away without exit
            case frame_status::bad_header:
                send(out, error_response(nullptr, rpc_error::parse_error, "a message needs a Content-Length header"));
                continue;
            case frame_status::header_too_long:
                send(out, error_response(nullptr, rpc_error::parse_error,
                                         "a header line is longer than " + std::to_string(largest_header_line) +
                                             " bytes: the message is refused"));
                continue;
            case frame_status::too_large:
                send(out, error_response(nullptr, rpc_error::parse_error,
                                         "the message is longer than " + std::to_string(largest_body) +
                                             " bytes (97 MiB): it is refused unread"));
                continue;
            case frame_status::message:
                break;
        }
        const std::string refused = look_through(body, state.cut_text_units);
        if (!refused.empty()) {
            send(out, error_response(nullptr, rpc_error::parse_error, "refused: " + refused));
            continue;
        }
        json message;
        try {
            message = json::parse(body);
        } catch (const json::parse_error& e) {
            send(out, error_response(nullptr, rpc_error::parse_error, std::string("not JSON: ") + e.what()));
            continue;
        }
        // A large body is not kept while the message is handled.
        if (body.capacity() > (std::size_t{1} << 20)) std::string().swap(body);
        for (const json& reply : handle_message(state, message)) send(out, reply);
        state.cut_text_units = 0;
        if (state.exit_status) return *state.exit_status;
    }
}

}  // namespace lsp
