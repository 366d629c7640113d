// The wire of the language server: messages framed by a Content-Length header, as JSON-RPC 2.0.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "core/costanti.hpp"

namespace lsp {

// Codes of the error responses the server sends.
enum class rpc_error : int {
    parse_error = -32700,
    invalid_request = -32600,
    method_not_found = -32601,
    invalid_params = -32602,
    internal_error = -32603,
    server_not_initialized = -32002,
    request_failed = -32803,
};

enum class frame_status { message, bad_header, header_too_long, too_large, end_of_input, cut_short };

// A header line longer than this is skipped without being held, and the message refused.
inline constexpr std::size_t largest_header_line = 4096;

// The largest body the server takes. A description may hold 16 MiB; in a didOpen its text is a
// JSON string where each character can take up to six bytes (a control character or a character
// escaped as \u00XX), so 96 MiB carry any description, and one more MiB the message around it:
// 97 MiB. A larger body is skipped unread and refused.
inline constexpr std::size_t largest_body = 6 * dimensione_massima_descrizione + (std::size_t{1} << 20);

// Arrays and objects nested deeper than this in one message are refused before they are built.
inline constexpr std::size_t deepest_nesting = 128;

// Reads one framed message into `body`. `bad_header`: the header block had no usable
// Content-Length; `header_too_long`: a header line passed largest_header_line; `too_large`:
// the body passed largest_body and was skipped. In those three cases the block has been
// consumed and the next message can follow. `end_of_input`: nothing was left; `cut_short`: the
// input ended inside a message.
frame_status read_frame(std::istream& in, std::string& body);

void write_frame(std::ostream& out, const std::string& body);

}  // namespace lsp
