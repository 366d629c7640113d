// What the author wrote against what the simulator gets: every entry the compile applies is
// traced to the cells and slots it writes, and what they hold after the finishing pass is read
// back with the one codec (format/codec.hpp) and compared with the values as written. The walk
// alone tells the rest: single-valued entries given twice, times out of range or going backwards,
// entries that are read although the author meant them left out.
#include "diagnostics/scritto.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/celle.hpp"
#include "core/costanti.hpp"
#include "core/numeri.hpp"
#include "format/codec.hpp"
#include "reader/memo_servizio.hpp"

namespace {

constexpr std::size_t mai = std::numeric_limits<std::size_t>::max();

std::size_t indice_file(quale_file f) { return f == quale_file::linea ? 0 : 1; }

std::string decimale(std::int64_t v) { return std::to_string(v); }

luogo_scritto luogo_di(quale_file f, const campo_scritto& c) {
    return {f, c.inizio, c.fine, c.riga, c.colonna, c.nome};
}

rilievo nuovo(gravita g, const luogo_scritto& l, std::string_view valore, std::string messaggio, std::string nota) {
    rilievo d;
    d.severita = g;
    d.file = l.file;
    d.inizio = l.inizio;
    d.fine = l.fine;
    d.riga = l.riga;
    d.colonna = l.colonna;
    d.valore = std::string(valore);
    d.campo = l.nome;
    d.messaggio = std::move(messaggio);
    d.nota = std::move(nota);
    return d;
}

// A finding about the entry being handed over: it waits until the entry is known to be applied.
void attendi(stato_scritto& s, quale_file f, gravita g, const campo_scritto& c, std::string messaggio,
             std::string nota) {
    s.in_attesa[indice_file(f)].push_back(nuovo(g, luogo_di(f, c), c.testo, std::move(messaggio), std::move(nota)));
}

// The findings of an entry that the walk went on past: it was applied.
void rilascia(stato_scritto& s, std::size_t f) {
    for (rilievo& d : s.in_attesa[f]) s.pronti.push_back(std::move(d));
    s.in_attesa[f].clear();
}

std::string orario_testo(std::int64_t ore, std::int64_t minuti, std::int64_t secondi) {
    auto due = [](std::int64_t v) { return (v >= 0 && v < 10 ? "0" : "") + decimale(v); };
    return due(ore) + ":" + due(minuti) + ":" + due(secondi);
}

std::string orario_da_secondi(std::int64_t t) {
    const orario_letto o = decodifica_orario(deve_stare_i32(t));
    return (o.negativo ? "-" : "") + orario_testo(o.ore, o.minuti, o.secondi);
}

const char* nome_voce(chiave_voce k) { return voce_di(k).nome; }

bool unica(chiave_voce k) {
    switch (k) {
        case chiave_voce::lunghezza_percorso:
        case chiave_voce::progressiva_tre:
        case chiave_voce::progressiva_due:
        case chiave_voce::progressiva_uno:
        case chiave_voce::sfondo_uno:
        case chiave_voce::sfondo_due:
        case chiave_voce::sfondo_tre:
        case chiave_voce::ripetizione_segnali:
        case chiave_voce::massa_frenata:
        case chiave_voce::vetture:
        case chiave_voce::orologio:
        case chiave_voce::sabbia: return true;
        default: return false;
    }
}

// The keyword field begins as a comment does in other formats; only a minus sign disables a line.
const char* prefisso_commento(std::string_view t) {
    const std::size_t a = t.find_first_not_of(" \t");
    if (a == std::string_view::npos) return nullptr;
    t.remove_prefix(a);
    if (t.substr(0, 1) == "#") return "#";
    if (t.substr(0, 2) == "//") return "//";
    if (t.substr(0, 1) == ";") return ";";
    return nullptr;
}

// A profile entry (gradient, speed limit, adhesion) at position p: the cell it takes is its own
// unless the entry before it already took that one.
void passo_profilo(stato_scritto& s, profilo_scritto& p, quale_file f, const voce_scritta& v, const char* cosa) {
    const auto& c = *v.campi;
    if (c.size() < 2 || !c[0].numero) return;
    const std::int32_t pos = *c[0].numero;
    const std::int64_t q = cella_profilo(static_cast<double>(pos));
    const bool in_ordine = !p.visto || pos >= p.posizione_ultima;
    if (q > 0 && in_ordine) {
        const std::int64_t primo = std::max(p.cursore + 1, q);
        if (primo != q) {
            const metri_cella_da_a m = metri_propri_cella(q);
            // Its own cell is the previous entry's own, or one that entry was pushed into.
            const std::string chi = p.cella_ultima == q ? "which the " + std::string(cosa) + " entry of line " +
                                                               decimale(p.riga_ultima) + " takes"
                                                         : "which the " + std::string(cosa) + " entries before it take (the one of line " +
                                                               decimale(p.riga_ultima) + " was pushed to cell " +
                                                               decimale(p.cursore) + ")";
            attendi(s, f, gravita::errore, c[0],
                    std::string(cosa) + " entry at " + decimale(pos) + " m falls in route cell " + decimale(q) + " (" +
                        decimale(m.da) + " to " + decimale(m.a) + " m), " + chi + ": it applies from cell " +
                        decimale(primo) + " (" + decimale(metri_propri_cella(primo).da) + " m) on",
                    "the entry of line " + decimale(p.riga_ultima) +
                        " holds for one cell only; give each position one entry, 50 m or more after the one before");
        }
        p.cursore = primo;
    }
    if (q > 0 || !p.visto) p.cella_ultima = q;
    p.posizione_ultima = pos;
    p.riga_ultima = v.parola.riga;
    p.visto = true;
}

void controlla_orologio(stato_scritto& s, const voce_scritta& v) {
    const auto& c = *v.campi;
    if (c.size() < 3 || !c[0].numero || !c[1].numero || !c[2].numero) return;
    const std::int32_t h = *c[0].numero, mi = *c[1].numero, se = *c[2].numero;
    const campo_scritto* fuori = h < 0 || h > 23 ? &c[0] : mi < 0 || mi > 59 ? &c[1] : se < 0 || se > 59 ? &c[2] : nullptr;
    if (!fuori) return;
    attendi(s, v.file, gravita::avviso, *fuori,
            "the clock " + orario_testo(h, mi, se) + " is not a time of day: its " + fuori->nome + " " +
                std::string(fuori->testo) + " is out of range",
            "hours 0 to 23, minutes and seconds 0 to 59; the three values are stored one by one, as written");
}

void controlla_stazione(stato_scritto& s, const voce_scritta& v) {
    const auto& c = *v.campi;
    if (c.size() < 17) return;
    const campo_scritto& nome = c[16];
    if (nome.testo.find_first_not_of(" \t\"") == std::string_view::npos)
        attendi(s, v.file, gravita::avviso, c[0], "a station without a name",
                "the name is the last field; the simulator shows the station with an empty name");
    if (!c[13].numero || !c[14].numero || !c[15].numero) return;
    const std::int64_t h = *c[13].numero, mi = *c[14].numero, se = *c[15].numero;
    const std::int64_t t = (h * 60 + mi) * 60 + se;
    // A time that does not fit 32 bits fails the reading, which the walk tells.
    if (t < std::numeric_limits<std::int32_t>::min() || t > std::numeric_limits<std::int32_t>::max()) return;
    const campo_scritto* fuori = h < 0 || h > 23 ? &c[13] : mi < 0 || mi > 59 ? &c[14] : se < 0 || se > 59 ? &c[15] : nullptr;
    if (fuori) {
        // Hours above 23 with minutes and seconds in range come back as written: a warning. Any
        // other value out of range runs into the next unit, and the simulator gets another time.
        const bool come_scritto = h > 23 && mi >= 0 && mi <= 59 && se >= 0 && se <= 59;
        attendi(s, v.file, come_scritto ? gravita::avviso : gravita::errore, *fuori,
                "the time " + orario_testo(h, mi, se) + " is out of range: its " + fuori->nome + " " +
                    std::string(fuori->testo) + (fuori != &c[13] ? " is not 0 to 59" : h < 0 ? " is negative" : " is above 23") +
                    (come_scritto ? "" : "; it is stored as " + orario_da_secondi(t)),
                "hours 0 to 23, minutes and seconds 0 to 59");
    }
    const bool sosta = c[12].numero && *c[12].numero != 0;
    if (t == 0) {
        if (sosta)
            attendi(s, v.file, gravita::avviso, c[13],
                    "a stop with no time: the stop value is " + std::string(c[12].testo) + " and the time 00:00:00",
                    "0, 0, 0 is the time of a station passed without stopping; write the departure time");
        return;
    }
    if (s.orario_prec && t < *s.orario_prec) {
        const bool partenza = s.riga_orario_prec == s.riga_partenza;
        attendi(s, v.file, gravita::avviso, c[13],
                "the time " + orario_da_secondi(t) + " lies before " +
                    (partenza ? "the departure at " : "the previous station's time ") + orario_da_secondi(*s.orario_prec) +
                    " (line " + decimale(s.riga_orario_prec) + ")",
                "stations are written along the route; their times must not go backwards");
    }
    if (!s.partenza) {
        s.partenza = t;
        s.riga_partenza = v.parola.riga;
    }
    s.orario_prec = t;
    s.riga_orario_prec = v.parola.riga;
}

// Fields 5 and 6 of a station that the compile stores as 0: field 5 of the first station and of one
// shorter than 600 m, field 6 of the first station and of one of type 5 to 8.
void controlla_campi_azzerati(stato_scritto& s, const voce_scritta& v, bool prima) {
    const auto& c = *v.campi;
    if (c.size() < 6 || !c[1].numero || !c[2].numero) return;
    const std::int64_t tipo = *c[1].numero, lunghezza = *c[2].numero;
    auto azzerato = [&](const campo_scritto& f, const char* perche) {
        if (!f.numero || *f.numero == 0) return;
        attendi(s, v.file, gravita::avviso, f,
                std::string(f.nome) + " " + std::string(f.testo) + " is stored as 0: " + perche,
                "write 0 there; the compile keeps the field only where it applies");
    };
    if (prima)
        azzerato(c[4], "the first station keeps no field 5");
    else if (lunghezza < 600)
        azzerato(c[4], "a station shorter than 600 m keeps no field 5");
    // The extent is worked out before the field is cleared: a first station of another type still
    // ends 50 m further, and its length reads back 50 m longer than written.
    if (prima)
        azzerato(c[5], tipo >= 5 && tipo <= 8 ? "the first station keeps no field 6"
                                              : "the first station keeps no field 6, yet its end still lies 50 m "
                                                "further, as field 6 says");
    else if (tipo >= 5 && tipo <= 8)
        azzerato(c[5], "a station of type 5 to 8 keeps no field 6");
}

void controlla_montagna(stato_scritto& s, const voce_scritta& v) {
    const auto& c = *v.campi;
    if (c.size() < 3 || !c[0].numero || !c[1].numero || !c[2].numero) return;
    const std::int32_t a = *c[0].numero, f = *c[1].numero, k = *c[2].numero;
    const montagna_scritta tipo = leggi_tipo_montagna(k);
    if (f >= a && prima_cella_montagna(a) > ultima_cella_montagna(f))
        attendi(s, v.file, gravita::errore, c[1],
                "the mountain from " + std::string(c[0].testo) + " to " + std::string(c[1].testo) +
                    " m covers no route cell: no cell gets it",
                "a stretch gets the cells from start / 50 to end / 50 - 1, to the nearest; make it longer");
    if (s.montagna_vista && f >= a && std::int64_t{a} - s.fine_montagna <= 150) {
        const bool doppia = a < s.fine_montagna && f > s.inizio_montagna;
        if (doppia)
            attendi(s, v.file, gravita::errore, c[0],
                    "this mountain overlaps the one of line " + decimale(s.riga_montagna) + " (" +
                        decimale(s.inizio_montagna) + " to " + decimale(s.fine_montagna) + " m): the cells of both get kind 3",
                    "give each stretch once; two stretches 150 m apart or closer make one terrain of kind 3");
        else if (tipo.tipo != 3 && a < s.fine_montagna)
            attendi(s, v.file, gravita::avviso, c[2],
                    "kind " + std::string(c[2].testo) + " is stored as 3: this stretch lies before the one of line " +
                        decimale(s.riga_montagna) + " (" + decimale(s.inizio_montagna) + " to " +
                        decimale(s.fine_montagna) + " m), which is listed just before it",
                    "a stretch listed after one that ends 150 m or less before its start, or after one lying "
                    "further on, becomes kind 3; list the stretches in position order");
        else if (tipo.tipo != 3)
            attendi(s, v.file, gravita::avviso, c[2],
                    "kind " + std::string(c[2].testo) + " is stored as 3: this stretch starts " +
                        decimale(std::int64_t{a} - s.fine_montagna) + " m after the one of line " +
                        decimale(s.riga_montagna) + " ends",
                    "two stretches 150 m apart or closer make one terrain of kind 3");
    }
    s.montagna_vista = true;
    s.inizio_montagna = a;
    s.fine_montagna = f;
    s.riga_montagna = v.parola.riga;
}

// An item that stands past the line's end, in the run-out.
void controlla_uscita(stato_scritto& s, const voce_scritta& v, const char* cosa) {
    const auto& c = *v.campi;
    if (c.empty() || !c[0].numero || s.lunghezza < 0 || *c[0].numero <= s.lunghezza) return;
    attendi(s, v.file, gravita::avviso, c[0],
            std::string("the ") + cosa + " at " + decimale(*c[0].numero) + " m " +
                (std::string_view(cosa).ends_with("boards") ? "stand" : "stands") + " past the line's end at " +
                decimale(s.lunghezza) + " m",
            "the 7000 m after the line's end are run-out, where the train does not run in service");
}

void registra_oggetto(stato_scritto& s, const voce_scritta& v, std::int64_t cella) {
    const auto& c = *v.campi;
    oggetto_scritto o;
    o.chiave = v.chiave;
    o.cella = static_cast<std::int32_t>(std::clamp<std::int64_t>(cella, -1, std::numeric_limits<std::int32_t>::max()));
    o.dopo = v.dopo;
    o.riga_voce = v.parola.riga;
    const std::size_t n = std::min(c.size(), o.campi.size());
    for (std::size_t i = 0; i < n; ++i) {
        o.campi[i] = luogo_di(v.file, c[i]);
        o.valori[i] = c[i].numero.value_or(0);
    }
    s.oggetti.push_back(o);
}

}  // namespace

void scritto_intestazione(stato_scritto& s, quale_file f, std::string_view campo, std::size_t inizio, int riga) {
    const std::size_t i = indice_file(f);
    if (campo == "[fine]" && !s.fine_vista[i]) {
        s.fine_vista[i] = inizio;
        s.riga_fine[i] = riga;
    }
}

void scritto_voce(stato_scritto& s, const voce_scritta& v) {
    const std::size_t fi = indice_file(v.file);
    rilascia(s, fi);
    s.dopo_attesa[fi] = v.dopo;
    const auto& c = *v.campi;
    const char* nome = nome_voce(v.chiave);
    const luogo_scritto parola = luogo_di(v.file, v.parola);
    auto alla_parola = [&](gravita g, std::string messaggio, std::string nota) {
        s.in_attesa[fi].push_back(nuovo(g, parola, v.parola.testo, std::move(messaggio), std::move(nota)));
    };

    if (const char* p = prefisso_commento(v.parola.testo))
        alla_parola(gravita::errore,
                    std::string("a line beginning with ") + p + " is read as the entry \"" + nome + "\"",
                    "only a minus sign in the keyword field leaves a line out; write - in front of it");
    if (s.fine_vista[fi] && v.parola.inizio > *s.fine_vista[fi])
        alla_parola(gravita::errore,
                    std::string("this ") + nome + " entry stands after [fine] (line " + decimale(s.riga_fine[fi]) +
                        ") and is still read",
                    "[fine] does not end the reading: every entry after it is applied; move it before [fine] or "
                    "leave it out");
    if (v.fallita) return;

    if (unica(v.chiave)) {
        unica_scritta& u = s.uniche[static_cast<std::size_t>(v.chiave)];
        if (u.vista)
            alla_parola(gravita::errore,
                        std::string("a second ") + nome + " entry: it replaces the one of line " + decimale(u.riga) +
                            (v.chiave == chiave_voce::lunghezza_percorso ? ", and the route is built again" : ""),
                        std::string("the description holds one ") + nome + "; keep the one you mean");
        u.vista = true;
        u.riga = v.parola.riga;
    }

    switch (v.chiave) {
        case chiave_voce::lunghezza_percorso:
            if (!c.empty() && c[0].numero) s.lunghezza = *c[0].numero;
            break;
        case chiave_voce::progressiva_tre:
        case chiave_voce::progressiva_due:
        case chiave_voce::progressiva_uno:
            if (c.size() >= 3 && c[0].numero && c[1].numero && c[2].numero) {
                const std::size_t i = static_cast<std::size_t>(v.chiave) - static_cast<std::size_t>(chiave_voce::progressiva_tre);
                s.progressive.at(i) = progressiva_scritta{luogo_di(v.file, c[0]), v.parola.riga,
                                                          {*c[0].numero, *c[1].numero, *c[2].numero}, v.dopo};
            }
            break;
        case chiave_voce::pendenza: passo_profilo(s, s.pendenza, v.file, v, "gradient"); break;
        case chiave_voce::velocita: {
            passo_profilo(s, s.velocita, v.file, v, "speed limit");
            if (c.size() >= 2 && c[1].numero) {
                const std::optional<std::uint8_t> quinti = codifica_velocita(*c[1].numero);
                if (quinti && decodifica_velocita(*quinti) != *c[1].numero)
                    attendi(s, v.file, gravita::avviso, c[1],
                            "speed " + std::string(c[1].testo) + " km/h is stored as " +
                                decimale(decodifica_velocita(*quinti)),
                            "speed limits are stored in steps of 5 km/h, to the nearest");
            }
            break;
        }
        case chiave_voce::aderenza: passo_profilo(s, s.aderenza, v.file, v, "adhesion"); break;
        case chiave_voce::montagna: controlla_montagna(s, v); break;
        case chiave_voce::orologio: controlla_orologio(s, v); break;
        case chiave_voce::vetture:
            if (!c.empty() && c[0].numero && *c[0].numero < 0)
                attendi(s, v.file, gravita::avviso, c[0], "coach count " + std::string(c[0].testo) + " is negative",
                        "the number of coaches is stored as written; write 0 or more");
            break;
        case chiave_voce::stazione:
            controlla_stazione(s, v);
            controlla_campi_azzerati(s, v, s.stazioni.empty());
            if (!c.empty()) s.stazioni.push_back(luogo_di(v.file, c[0]));
            break;
        case chiave_voce::indicatori_vmax:
        case chiave_voce::cartello_indicatore:
        case chiave_voce::segnale:
            // Point items: each stands in the cell nearest its position / 50 + 1.
            controlla_uscita(s, v,
                             v.chiave == chiave_voce::segnale               ? "signal"
                             : v.chiave == chiave_voce::cartello_indicatore ? "sign board"
                                                                             : "speed indicator boards");
            if (!c.empty() && c[0].numero) registra_oggetto(s, v, cella_punto(*c[0].numero));
            break;
        case chiave_voce::rallentamento:
            controlla_uscita(s, v, "slowdown");
            // Only a slowdown beyond 1500 m has a warning board, and only then a pre-warning run.
            if (c.size() >= 5 && c[0].numero && c[4].numero && !rallentamento_con_avviso(*c[0].numero) &&
                *c[4].numero != 0)
                attendi(s, v.file, gravita::avviso, c[4],
                        "f_ta " + std::string(c[4].testo) + " is not applied: a slowdown at 1500 m or less has no "
                        "warning board, so no pre-warning cells",
                        "write 0, or place the slowdown beyond 1500 m");
            if (!c.empty() && c[0].numero) registra_oggetto(s, v, cella_inizio_rallentamento(*c[0].numero));
            break;
        case chiave_voce::abbattimento:
            controlla_uscita(s, v, "speed board");
            if (!c.empty() && c[0].numero) registra_oggetto(s, v, cella_profilo(*c[0].numero));
            break;
        default: break;
    }
}

namespace {

struct contesto_fine {
    stato_scritto& s;
    const stato_build& b;
    const std::string* testi[2];
};

std::string_view testo_di(const contesto_fine& x, const luogo_scritto& l) {
    const std::string* t = x.testi[indice_file(l.file)];
    if (!t || l.inizio >= t->size() || l.fine > t->size() || l.fine < l.inizio) return {};
    return std::string_view(*t).substr(l.inizio, l.fine - l.inizio);
}

void dice(contesto_fine& x, gravita g, const luogo_scritto& l, std::string messaggio, std::string nota) {
    x.s.pronti.push_back(nuovo(g, l, testo_di(x, l), std::move(messaggio), std::move(nota)));
}

// A speed written and the speed read back: rounded to its 5 km/h step is a warning, anything
// else an error.
void confronta_velocita(contesto_fine& x, const luogo_scritto& l, std::int64_t scritta, std::int64_t letta,
                        const char* perche) {
    if (scritta == letta) return;
    const std::int64_t arrotondata = nearest(static_cast<double>(scritta) / passo_velocita_kmh) * passo_velocita_kmh;
    const bool arrotondamento = arrotondata == letta;
    dice(x, arrotondamento ? gravita::avviso : gravita::errore, l,
         std::string(l.nome) + " " + decimale(scritta) + " km/h is stored as " + decimale(letta),
         arrotondamento ? "the boards show speeds in steps of 5 km/h, to the nearest"
                        : std::string("the stored code is read back as another speed: ") + perche);
}

void confronta_indicatori(contesto_fine& x, const oggetto_scritto& o, const cella& ce) {
    const std::array<std::int16_t, 3> codici{ce.valore1, ce.valore2, ce.valore3};
    for (std::size_t i = 0; i < 3; ++i) {
        const luogo_scritto& ls = o.campi[1 + i];
        const luogo_scritto& ld = o.campi[5 + i];
        const std::optional<velocita_lati> v = decodifica_indicatore(codici[i]);
        if (!v) {
            // The code is negative: told at the speed that makes it so, the left one when both do.
            const bool destra = o.valori[1 + i] >= 0 && o.valori[5 + i] < 0;
            dice(x, gravita::errore, destra ? ld : ls,
                 std::string(ls.nome) + " " + decimale(o.valori[1 + i]) + " and " + ld.nome + " " +
                     decimale(o.valori[5 + i]) + " km/h are stored as code " + decimale(codici[i]) +
                     ", which reads back as no speeds",
                 "each pair is stored as 20 x left speed + right speed / 5; write speeds of 0 or more");
            continue;
        }
        const char* perche = "20 x left + right / 5 packs both speeds, each a multiple of 5 and the right one below 500";
        confronta_velocita(x, ls, o.valori[1 + i], v->sinistra, perche);
        confronta_velocita(x, ld, o.valori[5 + i], v->destra, perche);
    }
    // A stripe code that wraps is told by the walk already.
    const std::int64_t strisce = std::int64_t{o.valori[4]} * base_cifra + o.valori[8];
    if (strisce != codifica_strisce(o.valori[4], o.valori[8])) return;
    const std::optional<strisce_lati> st = decodifica_strisce(ce.valore4);
    for (const std::size_t i : {std::size_t{4}, std::size_t{8}}) {
        const std::optional<std::int32_t> letto =
            st ? std::optional<std::int32_t>(i == 4 ? st->sinistra : st->destra) : std::nullopt;
        if (letto == o.valori[i]) continue;
        dice(x, gravita::errore, o.campi[i],
             std::string(o.campi[i].nome) + " " + decimale(o.valori[i]) + " is stored as " +
                 (letto ? decimale(*letto) : std::string("a code that reads back as no stripes")),
             "the stripes are packed as 10 x left + right: each must be 0 to 9");
    }
}

void confronta_segnale(contesto_fine& x, const oggetto_scritto& o, const cella& ce) {
    segnale_in_cella sc;
    sc.valori = {ce.valore1, ce.valore2, ce.valore3, ce.valore4};
    sc.tempo = ce.tempo_segnale;
    const std::optional<segnale_scritto> letto = decodifica_segnale(sc);
    // Values out of their digit are told by the walk; what remains is the packing as a whole.
    auto cifra_ok = [&](std::size_t i, std::int32_t massimo) { return o.valori[i] >= 0 && o.valori[i] <= massimo; };
    bool tutte = cifra_ok(1, 2) && cifra_ok(6, 2);
    for (std::size_t i : {2u, 3u, 4u, 7u, 8u, 9u}) tutte = tutte && cifra_ok(i, 9);
    if (!tutte) return;
    if (!letto) {
        dice(x, gravita::errore, o.campi[5],
             "rapp " + decimale(o.valori[5]) + " makes a signal code that reads back as no signal",
             "the kinds are packed as rapp x 10 + sx x 3 + dx; write rapp 0 or more");
        return;
    }
    if (letto->rapp != o.valori[5])
        dice(x, gravita::errore, o.campi[5], "rapp " + decimale(o.valori[5]) + " is stored as " + decimale(letto->rapp),
             "the kinds are packed as rapp x 10 + sx x 3 + dx");
    const std::int32_t t = o.valori[10];
    if (o.valori[1] != tipo_con_tempo && t != 0)
        dice(x, gravita::avviso, o.campi[10],
             "tempo " + decimale(t) + " is not stored: only a signal of left kind 2 keeps a time",
             "write tempo 0, or sx 2 for a signal that keeps one");
}

void confronta_tabella(contesto_fine& x, const oggetto_scritto& o, const cella& ce) {
    const std::int32_t v = o.valori[1];
    if (v <= 0) {
        if (v < 0)
            dice(x, gravita::avviso, o.campi[1],
                 "speed board value " + decimale(v) + " is stored as a speed board without value",
                 "0 or less makes a board without value; write 0 for one, or the board's speed");
        return;
    }
    if (v > std::numeric_limits<std::int16_t>::max()) return;  // told by the walk
    if (ce.valore1 != v)
        dice(x, gravita::avviso, o.campi[1],
             "speed board value " + decimale(v) + " km/h is stored as " + decimale(ce.valore1),
             "the finishing pass lowers a speed board that stands before a slowdown's warning to 180 km/h at most");
}

// The kilometre references are sorted by start, greatest first, or by chainage when the starts add
// up to 0; when no reference leads (a tie at the top, or no chainage above 0) all three slots are
// cleared, and every reference written is lost.
void confronta_progressive(contesto_fine& x, std::size_t fermo_linea) {
    const auto& p = x.s.progressive;
    std::int64_t somma = 0, massimo = std::numeric_limits<std::int64_t>::min();
    for (const auto& r : p) {
        const std::int64_t inizio = r ? r->valori[0] : 0;
        somma += inizio;
        massimo = std::max(massimo, inizio);
    }
    static constexpr const char* nomi[] = {"tre", "due", "uno"};
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!p[i] || (fermo_linea != mai && p[i]->dopo >= fermo_linea)) continue;
        const progressiva_scritta& r = *p[i];
        if (r.valori == std::array<std::int32_t, 3>{}) continue;  // 0, 0, 0 is what an empty slot holds
        bool tenuta = false;
        for (const luogo_testo& l : x.b.resoconto.luoghi_progressive) tenuta = tenuta || l.riga == r.riga;
        if (tenuta) continue;
        dice(x, gravita::errore, r.inizio,
             std::string("kilometre reference ") + nomi[i] + " " + decimale(r.valori[0]) + ", " + decimale(r.valori[1]) +
                 ", " + decimale(r.valori[2]) + " is stored as 0, 0, 0: " +
                 (somma != 0 ? "the greatest start, " + decimale(massimo) + " m, is shared by two references"
                             : std::string("the starts add up to 0 and no chainage is above 0")),
             somma != 0 ? "the references are sorted by start, greatest first, and one must start beyond the others; "
                          "give them different starts"
                        : "when the starts add up to 0 the references are sorted by chainage, and one of them needs a "
                          "chainage above 0");
    }
}

}  // namespace

void scritto_fine(stato_scritto& s, const stato_build& b, std::size_t fermo_linea, std::size_t fermo_servizio,
                  const std::string* linea, const std::string* servizio) {
    const std::array<std::size_t, 2> fermi{fermo_linea, fermo_servizio};
    // The last entry of each file was applied unless the reading stopped at it.
    for (std::size_t f = 0; f < 2; ++f) {
        if (fermi[f] == mai || s.dopo_attesa[f] < fermi[f])
            rilascia(s, f);
        else
            s.in_attesa[f].clear();
    }
    contesto_fine x{s, b, {linea, servizio}};
    confronta_progressive(x, fermo_linea);
    if (!percorso_creato(b)) return;
    // The stop markers of the stations, which take their cells whatever stands there.
    std::vector<std::pair<std::int64_t, std::int32_t>> fermate;  // cell, slot
    for (std::int32_t j = 1; j < primo_slot_cartelli && static_cast<std::size_t>(j) <= s.stazioni.size(); ++j) {
        const slot_servizio& sl = b.servizio[static_cast<std::size_t>(j)];
        if (sl.tipo_stazione >= 25) continue;
        fermate.emplace_back(cella_fermata(sl.fine), j);
    }
    // A station's stop marker in a cell an item wrote: the item there is lost.
    auto sotto_fermata = [&](const oggetto_scritto& o, std::size_t fi, std::int64_t k, const std::string& cosa) {
        for (const auto& [kf, j] : fermate) {
            if (kf != k) continue;
            const luogo_scritto& st = s.stazioni[static_cast<std::size_t>(j - 1)];
            const std::string& nome = b.servizio[static_cast<std::size_t>(j)].nome;
            dice(x, gravita::errore, o.campi[0],
                 "this " + cosa + " is overwritten by the stop marker of the station " +
                     (nome.empty() ? "" : "\"" + nome + "\" ") + "(line " + decimale(st.riga) +
                     (fi == 0 ? " of the service description" : "") + ") in route cell " + decimale(k),
                 "a station's stop marker takes the cell 50 m before the station's end whatever stands there; "
                 "move the item or the station");
            return;
        }
    };
    auto cella_se = [&](std::int64_t k) -> const cella* {
        return k >= 0 && static_cast<std::size_t>(k) < b.percorso.size() ? &b.percorso[static_cast<std::size_t>(k)] : nullptr;
    };
    for (const oggetto_scritto& o : s.oggetti) {
        const std::size_t fi = indice_file(o.campi[0].file);
        if (fermi[fi] != mai && o.dopo >= fermi[fi]) continue;  // not applied: the walk tells why
        if (o.chiave == chiave_voce::rallentamento) {
            // A slowdown writes its start, its end and (beyond 1500 m) its warning board.
            const std::int64_t xr = o.valori[0];
            struct cella_sua {
                std::int64_t k;
                std::uint8_t atteso;
                const char* cosa;
            };
            const std::array<cella_sua, 3> sue{{
                {cella_inizio_rallentamento(xr), tipo::inizio_rallentamento, "slowdown's start"},
                {cella_fine_rallentamento(xr, o.valori[2]), tipo::fine_rallentamento, "slowdown's end"},
                {rallentamento_con_avviso(xr) ? cella_avviso_rallentamento(xr) : -1, tipo::avviso_rallentamento,
                 "slowdown's warning board"},
            }};
            for (const cella_sua& c : sue) {
                const cella* cr = cella_se(c.k);
                if (cr && cr->tipo_cella != c.atteso && cr->tipo_cella == tipo::fermata_stazione)
                    sotto_fermata(o, fi, c.k, c.cosa);
            }
            continue;
        }
        const cella* cp = cella_se(o.cella);
        if (!cp) continue;
        const cella& ce = *cp;
        std::uint8_t atteso = tipo::segnale;
        if (o.chiave == chiave_voce::indicatori_vmax) atteso = tipo::indicatori_velocita;
        if (o.chiave == chiave_voce::cartello_indicatore) atteso = tipo::cartello;
        if (o.chiave == chiave_voce::abbattimento)
            atteso = o.valori[1] > 0 ? tipo::tabella_con_valore : tipo::tabella_senza_valore;
        if (ce.tipo_cella != atteso) {
            if (ce.tipo_cella == tipo::fermata_stazione) sotto_fermata(o, fi, o.cella, nome_voce(o.chiave));
            continue;
        }
        switch (o.chiave) {
            case chiave_voce::indicatori_vmax: confronta_indicatori(x, o, ce); break;
            case chiave_voce::segnale: confronta_segnale(x, o, ce); break;
            case chiave_voce::abbattimento: confronta_tabella(x, o, ce); break;
            default: break;
        }
    }
}
