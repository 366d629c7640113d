#include "tools/descriptions.hpp"

#include "builder/costruzione.hpp"
#include "core/encoding.hpp"
#include "platform/platform.hpp"

bool read_description(const std::string& path, input_encoding encoding, std::string& text) {
    std::string bytes, reason;
    if (!platform::read_file(path, bytes, reason, dimensione_massima_descrizione)) {
        platform::report_failure("cannot open " + path + ": " + reason);
        return false;
    }
    if (encoding == input_encoding::cp1252) {
        text = std::move(bytes);
        return true;
    }
    encoding_error e;
    if (!utf8_text_to_cp1252(bytes, text, e)) {
        platform::report_failure(path + ":" + std::to_string(e.line) + ":" + std::to_string(e.column) +
                                 ": cannot convert from UTF-8 (--input-encoding utf-8): " + e.reason);
        return false;
    }
    return true;
}
