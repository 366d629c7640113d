#include <memory>

#include "builder/costruzione.hpp"
#include "builder/nomi_file.hpp"
#include "builder/sostituzione.hpp"
#include "core/testo.hpp"
#include "platform/platform.hpp"
#include "tools/check.hpp"
#include "tools/command.hpp"
#include "tools/driver_documents.hpp"
#include "tools/plot.hpp"

namespace {

struct compile_options {
    std::string line_file;
    std::string service_file;
    std::string out = ".";
    scenario_names names;
    bool no_plan = false;
    bool strict = false;
    std::string color = "auto";
    bool quiet = false;
    bool plot = false;
    std::string encoding = "cp1252";
    bool documents = false;
    std::string notes_file;
    std::string model_file;
};

int compile(const compile_options& o) {
    if (o.line_file.empty() || o.service_file.empty())
        throw usage_error{"compile takes a line file and a service file"};
    if (o.out.empty()) throw usage_error{"--out needs a folder"};
    check_color(o.color);
    const input_encoding encoding = parse_input_encoding(o.encoding);

    stato_build s;
    s.scenario = identifier(o.names.scenario, "scenario name");
    s.treno = identifier(o.names.train, "train code");
    if (minuscole(s.treno) == "linea")
        throw usage_error{"train code \"" + o.names.train + "\" would give its route file the plan file's name"};
    s.cartella = o.out;
    if (!o.documents && (!o.notes_file.empty() || !o.model_file.empty()))
        throw usage_error{"--notes and --train-model go with --documents"};
    if (!inputs_exist({o.line_file, o.service_file})) return 1;

    // Both inputs are read before anything is built or written.
    std::string line_text, service_text;
    for (auto [file, text] : {std::pair{&o.line_file, &line_text}, std::pair{&o.service_file, &service_text}}) {
        if (!read_description(*file, encoding, *text)) return 1;
    }
    const descrizioni d = descrizioni_in_memoria(o.line_file, line_text, o.service_file, service_text);

    const bool plan = !o.no_plan;
    // Every finding of check comes first, then the line of the recorded status (or of the first
    // error), the files written, and how many errors and warnings there were.
    // One walk reads both descriptions: it reports every finding and builds the records in `s`.
    s.genera_linea = plan;
    opzioni_analisi options;
    options.piano = plan;
    options.campi = false;
    options.registri = &s;
    const analisi findings = analizza(&line_text, &service_text, options);
    const checked_files checked{o.line_file, o.service_file, &line_text, &service_text};
    std::string told = render_text(findings, checked, use_color(o.color, true), false);
    if (!told.empty()) {
        told.pop_back();
        platform::report_note(told);
    }
    const std::string counted = findings.diagnostiche.empty() ? "" : finding_count(findings);
    if (o.strict && findings.errori + findings.avvisi > 0) {
        platform::report_failure("nothing written: --strict counts every warning as an error (" + counted + ")");
        return 1;
    }

    const std::int32_t fatal = findings.fatale;
    try {
        richiede_percorso(s, d);
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
        if (!counted.empty()) platform::report_note(counted);
        return 1;
    }
    if (fatal != 0) {
        platform::report_failure(" Errore n. " + std::to_string(fatal));
        if (!counted.empty()) platform::report_note(counted);
        return 1;
    }
    std::vector<platform::file_contents> others;  // replaced with the binary files, in one set
    if (o.documents) {
        document_options d_options;
        d_options.model_file = o.model_file;
        d_options.notes_file = o.notes_file;
        d_options.notes_encoding = encoding;
        if (!make_driver_documents(s, d_options, others)) return 1;
    }
    if (o.plot) {
        // Drawn before anything is replaced: a picture that cannot be drawn leaves the earlier set whole.
        std::string picture = nome_file_sim(s);
        picture.replace(picture.size() - 4, 4, ".svg");
        std::string svg, error;
        if (!plot_build(s, o.names.scenario + "_" + o.names.train, svg, error)) {
            platform::report_failure(error + ": nothing was written");
            return 1;
        }
        others.emplace_back(picture, std::move(svg));
    }
    std::vector<std::string> written;
    if (plan) written.push_back(nome_file_linea_dat(s));
    written.push_back(nome_file_sim(s));
    written.push_back(nome_file_dat(s));
    for (const platform::file_contents& f : others) written.push_back(f.path);
    if (!outputs_apart_from_inputs({o.line_file, o.service_file, o.notes_file, o.model_file}, written)) return 1;
    try {
        platform::make_folder(o.out);
        const platform::folder_lock lock = blocca_cartella(o.out);
        scrivi_file_binari(s, others);
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
        return 1;
    }
    // An error of check is a problem in the descriptions as much as a recorded status: the files
    // hold what was read, not what was written.
    const int status = s.resoconto.errore_numero != 0 || findings.errori > 0 ? 2 : 0;
    if (s.resoconto.errore_numero != 0)
        platform::report_note(diagnostica(s, d));
    else if (const std::string first = first_error(findings, checked); !first.empty())
        platform::report_note(first);  // empty only when every error lies past the listing limit
    report_written(written, o.quiet);
    if (!counted.empty()) platform::report_note(counted);
    return status;
}

}  // namespace

command compile_command() {
    return {
        "compile",
        "compile a line and a service description into the simulator's binary files",
        "Compiles a line description and a service description into NAME_linea.dat (not with --no-plan),\n"
        "NAME_CODE.sim and NAME_CODE.dat in the output folder (default: the current folder; created if\n"
        "missing). The two descriptions are read, never changed. The findings of check are printed\n"
        "first, then the status the build records on one line FILE:LINE: status N: ... (with no status,\n"
        "the first error of check, FILE:LINE:COLUMN: error: ...), and last how many errors and warnings\n"
        "there were. Any error gives exit status 2: the files are written from what was read.\n"
        "NAME defaults to Sorvanta and CODE to E48027. With --strict a warning counts as an error and\n"
        "nothing is written. --plot also draws the result beside them as NAME_CODE.svg (see plot --help).\n"
        "--documents also writes the driver's documents NAME_CODE_scheda_treno.txt (the train sheet, with the\n"
        "passing times of the fastest run of timetable), NAME_CODE_rallentamenti.txt and NAME_CODE_note.txt\n"
        "(the text of --notes FILE, or a summary), replaced together with the binary files.\n"
        "The descriptions are Windows-1252 text; --input-encoding utf-8 reads UTF-8 and converts it, and a\n"
        "character that Windows-1252 lacks is an error at its FILE:LINE:COLUMN.",
        "  0  built, and check finds no error (warnings allowed)\n"
        "  1  nothing written (a missing or unreadable input, a fatal error, an unwritable folder, --strict)\n"
        "  2  built from what was read, with a recorded status or an error of check, told on standard error\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<compile_options>();
            app.add_option("LINE_FILE", o->line_file, "the line description")->type_name("");
            app.add_option("SERVICE_FILE", o->service_file, "the service description")->type_name("");
            add_out_option(app, o->out, "DIR", "the folder to write into (default: the current folder)");
            add_name_options(app, o->names);
            app.add_flag("--no-plan", o->no_plan, "do not write NAME_linea.dat (the track plan)");
            app.add_flag("--strict", o->strict, "count every warning as an error: nothing is written");
            add_color_option(app, o->color);
            add_input_encoding_option(app, o->encoding);
            add_quiet_option(app, o->quiet);
            app.add_flag("--plot", o->plot, "also draw the result beside the files as NAME_CODE.svg (see plot --help)");
            app.add_flag("--documents", o->documents, "also write the driver's train sheet, slowdown notice and notes");
            app.add_option("--notes", o->notes_file, "with --documents: the text of the notes")->type_name("FILE");
            app.add_option("--train-model", o->model_file, "with --documents: the train of the passing times (TOML)")
                ->type_name("FILE");
            return [o] { return compile(*o); };
        },
    };
}
