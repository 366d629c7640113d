#include "tools/fmt.hpp"

#include <iostream>

#include "builder/sostituzione.hpp"
#include "core/costanti.hpp"
#include "lsp/answers.hpp"
#include "lsp/layout.hpp"
#include "platform/platform.hpp"

namespace {

// Lays one file out; false (with the failure told) when it could not be read or written, or
// (with `check`) is not laid out. A symbolic link's target is rewritten and the link stays; the
// new file keeps the earlier one's mode, owner, group and extended attributes.
bool format_file(const std::string& file, bool check, std::vector<std::string>& written) {
    try {
        const std::string target = platform::link_target(file);
        std::string text, reason;
        if (!platform::read_file(target, text, reason, dimensione_massima_descrizione)) {
            platform::report_failure("cannot open " + file + ": " + reason);
            return false;
        }
        const lsp::document_kind kind = lsp::kind_of_document(file, text);
        const lsp::document_analysis a = lsp::analyse(kind, text, nullptr, "");
        const std::vector<lsp::blank_edit> edits = lsp::layout_edits(a.text, a.fields);
        if (edits.empty()) return true;
        if (check) {
            std::cout << file << "\n";
            return false;
        }
        std::string laid_out = lsp::apply_edits(a.text, edits);
        if (laid_out.size() > dimensione_massima_descrizione) {
            platform::report_failure("cannot lay out " + file + ": it would hold " + std::to_string(laid_out.size()) +
                                     " bytes, more than the limit of " +
                                     std::to_string(dimensione_massima_descrizione) +
                                     " bytes (16 MiB) that descriptions are read with; it is left as it is");
            return false;
        }
        platform::file_attributes kept = platform::attributes_of(target);
        if (kept.write_protected) {
            platform::report_failure(file + " is write-protected: it is left as it is");
            return false;
        }
        // A new file under one name would part it from the others, which would keep the old text.
        if (kept.names > 1) {
            platform::report_failure(file + " has " + std::to_string(kept.names) +
                                     " names (hard links): laying it out would give only this name the new "
                                     "text; it is left as it is");
            return false;
        }
        platform::file_contents f(target, std::move(laid_out));
        f.keep = std::move(kept);
        sostituisci_insieme({f});
        written.push_back(file);
        return true;
    } catch (const platform::file_error& e) {
        // The new text is written beside the file before it takes its place: a folder that takes no
        // new file is the cause, even where the file itself could be written.
        if (!e.refusing_folder.empty())
            platform::report_failure("cannot lay out " + file + ": the folder " + e.refusing_folder +
                                     " cannot be written (" + e.reason + "); the file is left as it is");
        else
            platform::report_failure(e.message);
        return false;
    }
}

}  // namespace

int format_files(const std::vector<std::string>& files, bool check, std::vector<std::string>& written) {
    int status = 0;
    for (const std::string& file : files)
        if (!format_file(file, check, written)) status = 1;
    return status;
}
