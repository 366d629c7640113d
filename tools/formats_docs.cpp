#include "tools/formats_docs.hpp"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "reader/voci.hpp"

namespace {

constexpr std::string_view inizio_blocco = "<!-- generated: ";
constexpr std::string_view fine_blocco = "<!-- end generated -->";

std::string citato(const char* testo) { return std::string("\"") + testo + "\""; }

std::string riconosciuto_da(const voce& v) {
    std::string s = citato(v.testo);
    if (v.anche != nullptr) s += " and " + citato(v.anche);
    return s;
}

std::string nome_parte(parte_voce p) {
    switch (p) {
        case parte_voce::generale: return "general";
        case parte_voce::caratteristiche: return "feature";
        case parte_voce::servizio: return "service";
    }
    return "";
}

std::string tipo(const campo_voce& c) {
    if (c.genere == genere_campo::testo) return "text";
    if (c.bit == 8) return "u8";
    return "i" + std::to_string(c.bit);
}

std::string intervallo(const campo_voce& c) {
    if (c.genere == genere_campo::testo) return "-";
    if (c.minimo == INT32_MIN && c.massimo == INT32_MAX) return "any i32";
    return std::to_string(c.minimo) + " to " + std::to_string(c.massimo);
}

std::string fuori(const campo_voce& c) {
    if (c.genere == genere_campo::testo) return "-";
    switch (c.fuori) {
        case fuori_campo::niente: return "stored as written";
        case fuori_campo::stato_25: return "status 25";
        case fuori_campo::bassi_bit: return "the low bits are stored";
        case fuori_campo::stato_proprio: return "the entry's own status";
        case fuori_campo::cifre: return "runs into the next digit";
    }
    return "";
}

std::vector<parte_voce> parti(quale_file f) {
    if (f == quale_file::linea) return {parte_voce::generale, parte_voce::caratteristiche};
    return {parte_voce::servizio};
}

std::string tabella_voci(quale_file f) {
    std::string t = "| Keyword | Part | Recognised by | Letter case | Fields |\n|---|---|---|---|---|\n";
    for (parte_voce p : parti(f))
        for (const voce& v : voci_di(p))
            t += "| `" + std::string(v.nome) + "` | " + nome_parte(p) + " | " + riconosciuto_da(v) + " | " +
                 (v.maiuscole_esatte ? "exact" : "any") + " | " + std::to_string(v.campi.size()) + " |\n";
    return t;
}

std::string tabella_campi(quale_file f) {
    std::string t = "| Keyword | # | Field | Type | Unit | Range | Outside the range | What it is |\n"
                    "|---|---|---|---|---|---|---|---|\n";
    for (parte_voce p : parti(f))
        for (const voce& v : voci_di(p)) {
            std::size_t n = 0;
            for (const campo_voce& c : v.campi) {
                ++n;
                const std::string unita = *c.unita != '\0' ? c.unita : "-";
                t += "| `" + std::string(v.nome) + "` | " + std::to_string(n) + " | `" + c.nome + "` | " + tipo(c) +
                     " | " + unita + " | " + intervallo(c) + " | " + fuori(c) + " | " + c.spiegazione + " |\n";
            }
        }
    return t;
}

std::string tabella(std::string_view nome) {
    if (nome == "keywords-line") return tabella_voci(quale_file::linea);
    if (nome == "fields-line") return tabella_campi(quale_file::linea);
    if (nome == "keywords-service") return tabella_voci(quale_file::servizio);
    if (nome == "fields-service") return tabella_campi(quale_file::servizio);
    throw std::invalid_argument("unknown generated table \"" + std::string(nome) + "\"");
}

}  // namespace

std::string formats_reference(std::string_view document) {
    std::string out;
    out.reserve(document.size());
    std::size_t i = 0;
    while (i < document.size()) {
        std::size_t fine_riga = document.find('\n', i);
        fine_riga = fine_riga == std::string_view::npos ? document.size() : fine_riga + 1;
        const std::string_view riga = document.substr(i, fine_riga - i);
        out += riga;
        i = fine_riga;
        if (riga.substr(0, inizio_blocco.size()) != inizio_blocco) continue;
        const std::size_t chiusa = riga.find(" -->");
        if (chiusa == std::string_view::npos)
            throw std::invalid_argument("a generated table's first line lacks its \" -->\"");
        out += tabella(riga.substr(inizio_blocco.size(), chiusa - inizio_blocco.size()));
        // The old table is dropped up to the closing line, which is kept.
        const std::size_t fine = document.find(fine_blocco, i);
        if (fine == std::string_view::npos)
            throw std::invalid_argument("a generated table is not closed by \"" + std::string(fine_blocco) + "\"");
        i = fine;
    }
    return out;
}
