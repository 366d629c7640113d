#include "tools/decompile.hpp"

#include <iostream>

#include "core/encoding.hpp"
#include "builder/costruzione.hpp"
#include "decompile/decompilatore.hpp"
#include "lsp/answers.hpp"
#include "lsp/documents.hpp"
#include "lsp/layout.hpp"
#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"
#include "tools/command.hpp"

namespace {

// A stored name becomes part of a file name only when it is one the compile command accepts.
bool usable_name(const std::string& cp1252) {
    if (cp1252.empty()) return false;
    for (char c : cp1252) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

// The text in the one canonical layout of the formatter, which changes only blanks the reader skips.
std::string canonical(lsp::document_kind kind, const std::string& text) {
    const lsp::document_analysis a = lsp::analyse(kind, text, nullptr, "");
    return lsp::apply_edits(a.text, lsp::layout_edits(a.text, a.fields));
}

}  // namespace

int decompile_files(const std::string& plan, const std::string& slots, const std::string& route,
                    const std::string& output_folder, std::vector<std::string>& written,
                    const document_options* documents, bool force) {
    scenario_compilato c;
    c.nome_piano = plan;
    c.nome_servizio = slots;
    c.nome_percorso = route;
    c.con_piano = !plan.empty();
    std::string reason;
    for (auto [path, bytes] : {std::pair{&plan, &c.piano}, std::pair{&slots, &c.servizio}, std::pair{&route, &c.percorso}}) {
        if (path->empty()) continue;
        if (!platform::read_file(*path, *bytes, reason)) {
            platform::report_failure("genera_scenario: decompile: cannot read " + *path + ": " + reason);
            return 1;
        }
    }

    esito_decompilazione e = decompila(c);
    if (!e.letto) {
        platform::report_failure("genera_scenario: decompile: " + e.problema);
        return 1;
    }
    // Laid out as fmt lays them out, and kept so only when they still compile to the same bytes.
    if (e.riprodotto) {
        std::string line_text = canonical(lsp::document_kind::line, e.linea);
        std::string service_text = canonical(lsp::document_kind::service, e.servizio);
        if (confronta_ricompilazione(c, line_text, service_text, e.scenario, e.treno).empty()) {
            e.linea = std::move(line_text);
            e.servizio = std::move(service_text);
        }
    }
    for (const std::string& note : e.note) platform::report_note("note: " + note);

    std::string scenario = e.scenario, train = e.treno;
    if (!usable_name(scenario) || !usable_name(train) || train == "linea") {
        platform::report_note("note: the stored scenario name \"" + cp1252_to_utf8(scenario) + "\" or train code \"" +
                              cp1252_to_utf8(train) + "\" cannot name a file; the texts are named Decompiled_Train");
        if (!usable_name(scenario)) scenario = "Decompiled";
        if (!usable_name(train) || train == "linea") train = "Train";
    }
    const std::string line_file = platform::join_path(output_folder, scenario + "_linea.txt");
    const std::string service_file = platform::join_path(output_folder, scenario + "_" + train + "-.txt");
    std::vector<platform::file_contents> set = {{line_file, e.linea}, {service_file, e.servizio}};
    if (documents) {
        // The documents of the texts as a compile reads them, beside the texts.
        stato_build b;
        b.cartella = output_folder;
        b.scenario = scenario;
        b.treno = train;
        try {
            compila(b, {.piano = true}, descrizioni_in_memoria(line_file, e.linea, service_file, e.servizio));
        } catch (const errore_esecuzione& failure) {
            platform::report_failure("genera_scenario: decompile: " + failure.messaggio);
            return 1;
        }
        if (!make_driver_documents(b, *documents, set)) return 1;
    }
    std::vector<std::string> inputs = {plan, slots, route};
    if (documents) inputs.insert(inputs.end(), {documents->notes_file, documents->model_file});
    std::vector<std::string> outputs;
    for (const platform::file_contents& f : set) outputs.push_back(f.path);
    if (!outputs_apart_from_inputs(inputs, outputs)) return 1;
    // An author's edited texts are not lost to a second decompile into the same folder.
    for (const std::string& path : outputs) {
        if (force || platform::kind_of_path(path) == platform::path_kind::missing) continue;
        platform::report_failure("genera_scenario: decompile: " + path +
                                 " already exists: nothing was written (--force replaces it)");
        return 1;
    }
    try {
        platform::make_folder(output_folder);
        sostituisci_insieme(set);
    } catch (const platform::file_error& failure) {
        platform::report_failure("genera_scenario: decompile: " + failure.message);
        return 1;
    }
    written.clear();
    for (const platform::file_contents& f : set) written.push_back(f.path);
    if (!e.riprodotto) {
        platform::report_failure("genera_scenario: decompile: " + e.problema +
                                 "; the texts hold what could be recovered");
        return 2;
    }
    std::cout << "they compile to the same bytes with: genera_scenario compile " << line_file << " " << service_file
              << " --scenario \"" << cp1252_to_utf8(e.scenario) << "\" --train \""
              << cp1252_to_utf8(e.treno) << "\"" << (c.con_piano ? "" : " --no-plan") << "\n";
    return 0;
}
