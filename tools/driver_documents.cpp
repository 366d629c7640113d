#include "tools/driver_documents.hpp"

#include "builder/costruzione.hpp"
#include "builder/nomi_file.hpp"
#include "core/encoding.hpp"
#include "documents/documenti_generati.hpp"
#include "timetable/train_file.hpp"

bool make_driver_documents(const stato_build& s, const document_options& o, std::vector<platform::file_contents>& out) {
    train_model model;
    if (o.model_file.empty()) {
        model = default_train_model(s);
    } else {
        std::string text, reason, error;
        if (!platform::read_file(o.model_file, text, reason, dimensione_massima_descrizione)) {
            platform::report_failure("cannot open " + o.model_file + ": " + reason);
            return false;
        }
        if (!read_train_model(o.model_file, text, model, error)) {
            platform::report_failure(error);
            return false;
        }
    }
    std::string notes;
    if (!o.notes_file.empty() && !read_description(o.notes_file, o.notes_encoding, notes)) return false;

    std::vector<std::string> warnings;
    const timetable_result r = work_out_timetable(s, model);
    if (!r.problem.empty()) warnings.push_back("the train sheet has no computed times: " + r.problem);
    out.emplace_back(nome_documento(s, "scheda_treno.txt"), testo_documento(righe_scheda_generata(s, r, warnings)));
    out.emplace_back(nome_documento(s, "rallentamenti.txt"), testo_documento(righe_rallentamenti_generate(s)));
    out.emplace_back(nome_documento(s, "note.txt"),
                     testo_documento(righe_note_generate(s, o.notes_file.empty() ? nullptr : &notes, warnings)));
    for (const std::string& w : warnings) platform::report_note("warning: " + cp1252_to_utf8(w));
    return true;
}
