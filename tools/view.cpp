#include "tools/view.hpp"

#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"
#include "tools/command.hpp"

// The page's bytes, built into the program from tools/view/page.html.
std::string_view testo_pagina_vista();

namespace {

constexpr std::string_view segnaposto_dati = "/*DATA*/";

std::string host_senza_porta(std::string_view host, std::string_view& porta) {
    const std::size_t due_punti = host.rfind(':');
    const std::size_t parentesi = host.find(']');
    if (due_punti == std::string_view::npos || (parentesi != std::string_view::npos && parentesi > due_punti)) {
        porta = {};
        return std::string(host);
    }
    porta = host.substr(due_punti + 1);
    return std::string(host.substr(0, due_punti));
}

}  // namespace

std::string view_page(const std::string* embedded_data) {
    std::string page(testo_pagina_vista());
    const std::size_t at = page.find(segnaposto_dati);
    if (at == std::string::npos) return page;
    std::string dati;
    if (embedded_data) {
        // Inside a script element, "</" would end it: JSON allows "<\/" in its place.
        dati.reserve(embedded_data->size());
        for (std::size_t i = 0; i < embedded_data->size(); ++i) {
            const char c = (*embedded_data)[i];
            dati += c;
            if (c == '<' && i + 1 < embedded_data->size() && (*embedded_data)[i + 1] == '/') dati += '\\';
        }
    }
    page.replace(at, segnaposto_dati.size(), dati);
    return page;
}

int refused_request(std::string_view method, std::string_view path, std::string_view host, int port) {
    std::string_view porta;
    const std::string nome = host_senza_porta(host, porta);
    if ((nome != "127.0.0.1" && nome != "localhost") || porta != std::to_string(port)) return 403;
    if (path != "/" && path != "/data.json" && path != "/events") return 404;
    if (method != "GET" && method != "HEAD") return 405;
    return 0;
}

int write_view_html(const view_sources& q, const std::string& output, bool quiet) {
    const view_data d = build_view_data(q, 1);
    try {
        make_parent_folder(output);
        sostituisci_file(output, view_page(&d.json));
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
        return 1;
    }
    report_written({output}, quiet);
    return d.ok ? 0 : 2;
}
