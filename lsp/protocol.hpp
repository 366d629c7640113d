// The wire of the language server: messages framed by a Content-Length header, as JSON-RPC 2.0.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

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

enum class frame_status { message, bad_header, end_of_input, cut_short };

// A body larger than this is refused (and skipped) rather than held in memory.
inline constexpr std::size_t largest_body = std::size_t{256} << 20;

// Reads one framed message into `body`. `bad_header`: the header block had no usable
// Content-Length; the block has been consumed and the next message can follow.
// `end_of_input`: nothing was left; `cut_short`: the input ended inside a message.
frame_status read_frame(std::istream& in, std::string& body);

void write_frame(std::ostream& out, const std::string& body);

}  // namespace lsp
