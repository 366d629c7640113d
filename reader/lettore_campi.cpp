#include "reader/lettore_campi.hpp"

#include "core/registri.hpp"

namespace {

bool bianco(char c) { return c == ' ' || c == '\t'; }
bool fine_riga(char c) { return c == '\r' || c == '\n'; }

void salta_bianchi(lettore_campi& l) {
    const std::string& t = *l.testo;
    while (l.pos < t.size() && bianco(t[l.pos])) ++l.pos;
}

// A line ends at CR LF, LF or CR alone.
void consuma_fine_riga(lettore_campi& l) {
    const std::string& t = *l.testo;
    if (t[l.pos] == '\r') {
        ++l.pos;
        if (l.pos < t.size() && t[l.pos] == '\n') ++l.pos;
    } else {
        ++l.pos;
    }
    ++l.riga;
    l.inizio_riga = l.pos;
}

// Consumes the comma or line end at the reader's position, if there is one.
void consuma_separatore(lettore_campi& l) {
    const std::string& t = *l.testo;
    if (l.pos >= t.size()) return;
    if (t[l.pos] == ',')
        ++l.pos;
    else if (fine_riga(t[l.pos]))
        consuma_fine_riga(l);
}

void inizio_campo(lettore_campi& l) {
    if (l.pos >= l.testo->size()) throw guasto_lettura{"an entry runs past the end of the file"};
    salta_bianchi(l);
    l.campo = {l.riga, static_cast<int>(l.pos - l.inizio_riga) + 1};
    l.riga_campo = l.riga;
}

}  // namespace

lettore_campi apri_lettore(const std::string& testo) {
    lettore_campi l;
    l.testo = &testo;
    return l;
}

bool fine_file(const lettore_campi& l) { return l.pos >= l.testo->size(); }

std::string leggi_testo(lettore_campi& l) {
    inizio_campo(l);
    const std::string& t = *l.testo;
    std::string campo;
    if (l.pos < t.size() && t[l.pos] == '"') {
        // A quoted text never spans lines: a quote left open would swallow the rest of the file.
        std::size_t da = ++l.pos;
        while (l.pos < t.size() && t[l.pos] != '"' && !fine_riga(t[l.pos])) ++l.pos;
        if (l.pos >= t.size() || t[l.pos] != '"')
            throw guasto_lettura{"unclosed quote", l.campo.riga, l.campo.colonna};
        campo.assign(t, da, l.pos - da);
        ++l.pos;  // the closing quote
        // Whatever stands between the closing quote and the separator is dropped.
        while (l.pos < t.size() && t[l.pos] != ',' && !fine_riga(t[l.pos])) ++l.pos;
    } else {
        std::size_t da = l.pos;
        while (l.pos < t.size() && t[l.pos] != ',' && !fine_riga(t[l.pos])) ++l.pos;
        campo.assign(t, da, l.pos - da);
    }
    consuma_separatore(l);
    return campo;
}

std::string leggi_testo16(lettore_campi& l) {
    std::string campo = leggi_testo(l);
    if (campo.size() > 0xFFFFu) throw guasto_lettura{"a text longer than 65535 bytes"};
    return campo;
}

std::int32_t leggi_numero(lettore_campi& l) {
    inizio_campo(l);
    const std::string& t = *l.testo;
    std::size_t da = l.pos;
    while (l.pos < t.size() && t[l.pos] != ',' && !fine_riga(t[l.pos]) && !bianco(t[l.pos])) ++l.pos;
    std::size_t a = l.pos;
    if (l.pos < t.size() && bianco(t[l.pos])) {
        // A number ends at a blank; the blanks and a comma or line end right after it go with it.
        salta_bianchi(l);
        if (l.pos < t.size() && (t[l.pos] == ',' || fine_riga(t[l.pos]))) consuma_separatore(l);
    } else {
        consuma_separatore(l);
    }

    std::size_t i = da;
    bool negativo = false;
    if (i < a && t[i] == '-') {
        negativo = true;
        ++i;
    }
    if (i == a) return 0;  // blank, or a lone minus sign
    std::int64_t valore = 0;
    for (std::size_t k = i; k < a; ++k) {
        char c = t[k];
        if (c < '0' || c > '9') return 0;  // text where a number is expected
        if (valore <= (std::int64_t{1} << 32)) valore = valore * 10 + (c - '0');
    }
    return deve_stare_i32(negativo ? -valore : valore);
}

std::int16_t leggi_numero16(lettore_campi& l) { return deve_stare_i16(leggi_numero(l)); }

std::uint8_t leggi_numero8(lettore_campi& l) { return deve_stare_u8(leggi_numero(l)); }

std::int32_t leggi_campo(lettore_campi& l, const voce& v, std::size_t i) {
    const campo_voce& c = v.campi.at(i);
    if (c.genere != genere_campo::numero) throw guasto_lettura{"a text field read as a number"};
    switch (c.bit) {
        case 8: return leggi_numero8(l);
        case 16: return leggi_numero16(l);
        default: return leggi_numero(l);
    }
}

std::string leggi_campo_testo(lettore_campi& l, const voce& v, std::size_t i) {
    if (v.campi.at(i).genere != genere_campo::testo) throw guasto_lettura{"a number field read as a text"};
    return leggi_testo16(l);
}

std::array<std::int32_t, campi_numerici_massimi> leggi_campi(lettore_campi& l, const voce& v) {
    if (v.campi.size() > campi_numerici_massimi) throw guasto_lettura{"an entry with too many number fields"};
    std::array<std::int32_t, campi_numerici_massimi> valori{};
    for (std::size_t i = 0; i < v.campi.size(); ++i) valori[i] = leggi_campo(l, v, i);
    return valori;
}

void segna_voce(lettore_campi& l) { l.voce = l.campo; }

void guasto_alla_voce(guasto_lettura& g, luogo_testo voce) {
    if (voce.riga <= 0) return;
    g.riga = voce.riga;
    g.colonna = voce.colonna;
}

void registra_stato_in(stato_build& s, descrizione d, luogo_testo dove, std::int32_t numero) {
    s.resoconto.errore_numero = numero;
    s.resoconto.errore_descrizione = d;
    s.resoconto.errore_riga = dove.riga;
    s.resoconto.errore_colonna = dove.colonna;
    s.resoconto.errore_motivo.clear();
}

void registra_stato(stato_build& s, const lettore_campi& l, descrizione d, std::int32_t numero) {
    registra_stato_in(s, d, l.voce, numero);
}

void registra_stato(stato_build& s, const lettore_campi& l, descrizione d, std::int32_t numero,
                    std::int32_t posizione) {
    registra_stato(s, l, d, numero);
    s.resoconto.errore_posizione = posizione;
    s.resoconto.errore_metri = posizione;
}
