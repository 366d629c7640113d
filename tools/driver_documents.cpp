#include "tools/driver_documents.hpp"

#include "builder/costruzione.hpp"
#include "builder/nomi_file.hpp"
#include "core/encoding.hpp"
#include "documents/documenti_generati.hpp"
#include "tools/timetable.hpp"

bool make_driver_documents(const stato_build& s, const document_options& o, std::vector<platform::file_contents>& out) {
    train_model model;
    if (!train_of(o.model_file, s, model)) return false;
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
