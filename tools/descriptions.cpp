#include "tools/descriptions.hpp"

#include "builder/costruzione.hpp"
#include "core/encoding.hpp"
#include "diagnostics/codifica.hpp"
#include "platform/platform.hpp"

bool read_description(const std::string& path, input_encoding encoding, std::string& text) {
    std::string bytes, reason;
    if (!platform::read_file(path, bytes, reason, dimensione_massima_descrizione)) {
        platform::report_failure("cannot open " + path + ": " + reason);
        return false;
    }
    // Neither reading takes UTF-16: as Windows-1252 it is a file without a single section.
    if (const std::optional<std::string> utf16 = testo_utf16(bytes)) {
        platform::report_failure(path + ": " + *utf16 + "; " + rimedio_utf16);
        return false;
    }
    if (encoding == input_encoding::cp1252) {
        text = std::move(bytes);
        return true;
    }
    encoding_error e;
    if (!utf8_text_to_cp1252(bytes, text, e)) {
        std::string message = path + ":" + std::to_string(e.line) + ":" + std::to_string(e.column) +
                              ": cannot convert from UTF-8 (--input-encoding utf-8): " + e.reason;
        // A byte that starts no UTF-8 sequence is most often a Windows-1252 letter: the format's own.
        if (e.reason.starts_with("not UTF-8"))
            message += "\nnote: if the file is Windows-1252 text (the format's own), read it without "
                       "--input-encoding utf-8";
        platform::report_failure(message);
        return false;
    }
    return true;
}
