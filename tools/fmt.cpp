#include "tools/fmt.hpp"

#include <iostream>

#include "lsp/answers.hpp"
#include "lsp/layout.hpp"
#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"

int format_files(const std::vector<std::string>& files, bool check, std::vector<std::string>& written) {
    int status = 0;
    for (const std::string& file : files) {
        std::string text, reason;
        if (!platform::read_file(file, text, reason)) {
            platform::report_failure("cannot open " + file + ": " + reason);
            status = 1;
            continue;
        }
        const lsp::document_kind kind = lsp::kind_of_document(file, text);
        const lsp::document_analysis a = lsp::analyse(kind, text, nullptr, "");
        const std::vector<lsp::blank_edit> edits = lsp::layout_edits(a.text, a.fields);
        if (edits.empty()) continue;
        if (check) {
            std::cout << file << "\n";
            status = 1;
            continue;
        }
        try {
            sostituisci_file(file, lsp::apply_edits(a.text, edits));
            written.push_back(file);
        } catch (const platform::file_error& e) {
            platform::report_failure(e.message);
            status = 1;
        }
    }
    return status;
}
