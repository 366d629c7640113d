#include "reader/lettore_linea.hpp"

#include <array>
#include <optional>
#include <string>

#include "reader/limiti_percorso.hpp"
#include "reader/tracciato.hpp"
#include "core/numeri.hpp"
#include "core/stati.hpp"
#include "core/testo.hpp"
#include "reader/voci.hpp"

namespace {

constexpr descrizione questa = descrizione::linea;
constexpr std::int32_t lunghezza_massima = 1000000;
constexpr int separatori_generale = 10;

// The curvature per metre of the curve classes 1 to 6.
constexpr std::array<double, 6> curvature = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

// A feature needs 100 m of route after its position.
constexpr double margine_caratteristiche = 100.0;

// One entry of the general block; false when it records a status that stops the reading.
bool passo_generale(stato_build& s, lettore_campi& l, const voce& v, const std::string& campo) {
    switch (v.chiave) {
        case chiave_voce::lunghezza_percorso: {
            const std::int32_t lunghezza = leggi_campo(l, v, 0);
            s.servizio[slot_generale].fine = lunghezza;
            if (lunghezza > lunghezza_massima) {
                registra_stato(s, l, questa, stati::lunghezza_oltre_limite);
                return false;
            }
            if (lunghezza < 0) throw guasto_lettura{"negative line length"};
            crea_percorso(s, lunghezza);
            return true;
        }
        case chiave_voce::progressiva_tre:
        case chiave_voce::progressiva_due:
        case chiave_voce::progressiva_uno: {
            const int slot = v.chiave == chiave_voce::progressiva_tre   ? slot_progressiva_tre
                             : v.chiave == chiave_voce::progressiva_due ? slot_progressiva_due
                                                                        : slot_progressiva_uno;
            const auto n = leggi_campi(l, v);
            slot_servizio& r = s.servizio[static_cast<std::size_t>(slot)];
            r.inizio = n[0];
            r.fine = n[1];
            r.posizione = n[2];
            s.luoghi_progressive[static_cast<std::size_t>(slot - slot_progressiva_tre)] = l.voce;
            return true;
        }
        case chiave_voce::sfondo_uno: s.servizio[slot_scenario].inizio = leggi_campo(l, v, 0); return true;
        case chiave_voce::sfondo_due: s.servizio[slot_scenario].posizione = leggi_campo(l, v, 0); return true;
        case chiave_voce::sfondo_tre: s.servizio[slot_scenario].fine = leggi_campo(l, v, 0); return true;
        case chiave_voce::ripetizione_segnali: {
            const auto n = leggi_campi(l, v);
            slot_servizio& r = s.servizio[slot_treno];
            r.inizio = n[0];
            r.fine = n[1];
            if (r.inizio % 50 != 0) {
                registra_stato(s, l, questa, stati::ripetizione_inizio);
                return false;
            }
            if (r.fine % 50 != 0) {
                registra_stato(s, l, questa, stati::ripetizione_fine);
                return false;
            }
            if (contiene(campo, "4")) {
                r.posizione = 4;
            } else if (contiene(campo, "9")) {
                r.posizione = 9;
            } else {
                registra_stato(s, l, questa, stati::ripetizione_codici);
                return false;
            }
            if (r.fine == 0) r.posizione = 0;
            return true;
        }
        default: return true;
    }
}

// The general block, from the field after "[generale]" to the closing section header.
bool leggi_generale(stato_build& s, lettore_campi& l) {
    for (;;) {
        if (fine_file(l)) return true;
        s.riga = leggi_testo(l);
        if (fine_file(l)) return true;
        for (int i = 0; i < separatori_generale; ++i)
            if (contiene(s.riga, "-")) s.riga = leggi_testo(l);
        segna_voce(l);
        const std::string& campo = s.riga;
        const std::string minuscolo = minuscole(campo);
        for (const voce& v : voci_di(parte_voce::generale)) {
            if (!riconosce(v, campo, minuscolo)) continue;
            if (!passo_generale(s, l, v, campo)) return false;
        }

        const std::size_t primo = campo.find_first_not_of(" \t");
        const bool separatore = primo != std::string::npos && campo[primo] == '-';
        if (!separatore && contiene(campo, "[") && contiene(campo, "]")) return true;
    }
}

enum class uscita_caratteristiche { continua, fine_file, fuori_percorso, ritorna };

uscita_caratteristiche fuori(stato_build& s, const lettore_campi& l, std::int32_t posizione) {
    registra_stato(s, l, questa, stati::fuori_percorso, posizione);
    return uscita_caratteristiche::fuori_percorso;
}

// One entry of the feature part.
uscita_caratteristiche passo_caratteristica(stato_build& s, lettore_campi& l, const voce& v, const std::string& campo,
                                            std::int32_t& contatore_cartelli, riempimento_pendenze& pendenze) {
    constexpr auto avanti = uscita_caratteristiche::continua;
    switch (v.chiave) {
        case chiave_voce::pendenza: {
            const auto n = leggi_campi(l, v);
            const std::int32_t p = n[0];
            const std::int32_t g = n[1];
            if (!entro_percorso(s, p, margine_caratteristiche)) return fuori(s, l, p);
            riempi_pendenze(s, pendenze, nearest(p / 50.0));
            pendenze.corrente = g;
            pendenze.voce = l.voce;
            return avanti;
        }
        case chiave_voce::curva: {
            if (s.genera_linea == 0) return avanti;  // without the plan a curve is not read at all
            const auto n = leggi_campi(l, v);
            const std::int32_t inizio = n[0];
            const std::int32_t lunghezza = n[1];
            if (!entro_percorso(s, inizio, margine_caratteristiche)) return fuori(s, l, inizio);
            const std::optional<double> k = curvatura_di(campo);
            if (!k) {
                registra_stato(s, l, questa, stati::curva_non_valida);
                return uscita_caratteristiche::ritorna;
            }
            if (traccia_curva(s.linea, inizio, lunghezza, *k) == esito_traccia::oltre_milione) {
                registra_stato(s, l, questa, stati::curva_non_valida);
                return uscita_caratteristiche::ritorna;
            }
            return avanti;
        }
        case chiave_voce::montagna: {
            const auto n = leggi_campi(l, v);
            std::int32_t tipo_montagna = n[2];
            if (!entro_percorso(s, n[0], margine_caratteristiche)) return fuori(s, l, n[0]);
            memo_montagna(s, n[0], n[1], tipo_montagna);
            return avanti;
        }
        case chiave_voce::indicatori_vmax: {
            const auto n = leggi_campi(l, v);
            if (!entro_percorso(s, n[0], margine_caratteristiche)) return fuori(s, l, n[0]);
            memo_indicatori_v_max(s, n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8]);
            if (s.errore_numero > 0) {
                registra_stato(s, l, questa, s.errore_numero, n[0]);
                return uscita_caratteristiche::ritorna;
            }
            return avanti;
        }
        case chiave_voce::cartello_indicatore: {
            const std::int32_t p = leggi_campo(l, v, 0);
            s.riga = leggi_campo_testo(l, v, 1);
            if (!entro_percorso(s, p, margine_caratteristiche)) return fuori(s, l, p);
            if (!memo_cartello(s, p, s.riga, contatore_cartelli)) {
                registra_stato(s, l, questa, stati::cartello_occupato, p);
                return uscita_caratteristiche::ritorna;
            }
            return avanti;
        }
        default: return avanti;
    }
}

// The feature part: every entry after the general block, in any order.
uscita_caratteristiche leggi_caratteristiche(stato_build& s, lettore_campi& l, std::int32_t& contatore_cartelli,
                                             riempimento_pendenze& pendenze) {
    for (;;) {
        if (fine_file(l)) return uscita_caratteristiche::fine_file;
        s.riga = leggi_testo(l);
        if (fine_file(l)) return uscita_caratteristiche::fine_file;
        for (int i = 0; i < 2 && contiene(s.riga, "-"); ++i) {
            s.riga = leggi_testo(l);
            if (fine_file(l)) return uscita_caratteristiche::fine_file;
        }
        segna_voce(l);
        const std::string campo = s.riga;
        const std::string minuscolo = minuscole(campo);
        for (const voce& v : voci_di(parte_voce::caratteristiche)) {
            if (!riconosce(v, campo, minuscolo)) continue;
            const uscita_caratteristiche u = passo_caratteristica(s, l, v, campo, contatore_cartelli, pendenze);
            if (u != uscita_caratteristiche::continua) return u;
        }
    }
}

}  // namespace

bool leggi_linea(stato_build& s, lettore_campi& l, std::int32_t& contatore_cartelli) {
    for (;;) {
        s.riga = leggi_testo(l);
        segna_voce(l);
        if (fine_file(l)) {
            registra_stato(s, l, questa, stati::generale_mancante);
            return false;
        }
        if (contiene_nc(s.riga, "[generale]")) break;
    }
    if (!leggi_generale(s, l)) return false;

    progressive_ordina(s);

    s.n_montagne = 0;
    contatore_cartelli = primo_slot_cartelli;
    riempimento_pendenze pendenze;
    if (!percorso_creato(s)) throw guasto_lettura{"no line length before the features"};
    if (s.genera_linea != 0) semina_linea(s.linea);

    if (leggi_caratteristiche(s, l, contatore_cartelli, pendenze) == uscita_caratteristiche::ritorna) return false;

    coda_pendenze(s, pendenze);

    if (s.genera_linea != 0) completa_linea(s.linea);
    return true;
}

void crea_percorso(stato_build& s, std::int32_t lunghezza) {
    s.estensione = lunghezza + 7000;
    s.n_celle = deve_stare_i32(nearest(static_cast<double>(s.estensione) / 50.0));
    s.percorso.assign(static_cast<std::size_t>(s.n_celle) + 1, cella{});
    if (s.genera_linea != 0) crea_linea(s.linea, s.estensione);
}

void riempi_pendenze(stato_build& s, riempimento_pendenze& p, std::int64_t q) {
    if (q <= 0) return;
    do {
        cella_a(s, p.indice).pendenza = bassi8(std::int64_t{p.corrente} + 100);
        ++p.indice;
    } while (p.indice < q);
}

void coda_pendenze(stato_build& s, riempimento_pendenze& p) {
    // A failure in the tail lies in the last gradient entry, not at the end of the file.
    try {
        do {
            cella_a(s, p.indice).pendenza = deve_stare_u8(std::int64_t{p.corrente} + 100);
            ++p.indice;
        } while (p.indice < s.n_celle - 2);
    } catch (guasto_lettura& g) {
        guasto_alla_voce(g, p.voce);
        throw;
    }
}

std::optional<double> curvatura_di(const std::string& campo) {
    for (std::size_t c = 0; c < curvature.size(); ++c)
        if (contiene(campo, std::string(1, static_cast<char>('1' + c))))
            return contiene_nc(campo, "s") ? -curvature[c] : curvature[c];
    return std::nullopt;
}

bool memo_cartello(stato_build& s, std::int32_t posizione, const std::string& testo, std::int32_t& contatore_cartelli) {
    cella& c = cella_a(s, nearest(posizione / 50.0 + 1));
    if (!cella_libera(c)) return false;
    // Sign texts fill slots 80 down to 1; slot 0 stays cleared.
    if (contatore_cartelli < 1) throw guasto_lettura{"more than 80 sign boards"};
    c.tipo_cella = tipo::cartello;
    c.valore1 = static_cast<std::int16_t>(contatore_cartelli);
    s.servizio[static_cast<std::size_t>(contatore_cartelli)].nome = testo;
    --contatore_cartelli;
    return true;
}

void progressive_ordina(stato_build& s) {
    struct terna {
        std::int32_t inizio, fine, posizione;
        luogo_testo letta;  // where the reference was read, for the diagnostics
    };
    auto prendi = [&](int slot) {
        const slot_servizio& r = s.servizio[static_cast<std::size_t>(slot)];
        return terna{r.inizio, r.fine, r.posizione, s.luoghi_progressive[static_cast<std::size_t>(slot - slot_progressiva_tre)]};
    };
    const terna r3 = prendi(slot_progressiva_tre);
    const terna r2 = prendi(slot_progressiva_due);
    const terna r1 = prendi(slot_progressiva_uno);
    const terna zero{0, 0, 0, {}};
    std::array<terna, 3> ordine{zero, zero, zero};

    if (std::int64_t{r3.inizio} + r2.inizio + r1.inizio != 0) {
        if (r3.inizio > r2.inizio && r3.inizio > r1.inizio)
            ordine = r2.inizio > r1.inizio ? std::array{r3, r2, r1} : std::array{r3, r1, r2};
        else if (r2.inizio > r3.inizio && r2.inizio > r1.inizio)
            ordine = r3.inizio > r1.inizio ? std::array{r2, r3, r1} : std::array{r2, r1, r3};
        else if (r1.inizio > r3.inizio && r1.inizio > r2.inizio)
            ordine = r3.inizio > r2.inizio ? std::array{r1, r3, r2} : std::array{r1, r2, r3};
    } else if (r1.fine > 0) {
        ordine = {r1, r2, r3};
    } else if (r2.fine > 0) {
        ordine = {r2, r3, r1};
    } else if (r3.fine > 0) {
        ordine = {r3, r2, r1};
    }

    const int slot[] = {slot_progressiva_tre, slot_progressiva_due, slot_progressiva_uno};
    for (int i = 0; i < 3; ++i) {
        slot_servizio& r = s.servizio[static_cast<std::size_t>(slot[i])];
        r.inizio = ordine[static_cast<std::size_t>(i)].inizio;
        r.fine = ordine[static_cast<std::size_t>(i)].fine;
        r.posizione = ordine[static_cast<std::size_t>(i)].posizione;
        s.luoghi_progressive[static_cast<std::size_t>(i)] = ordine[static_cast<std::size_t>(i)].letta;
    }
    // With flag 1 the chainage is raised by 100 m; one that then no longer fits fails at its entry.
    for (int i = 0; i < 3; ++i) {
        slot_servizio& r = s.servizio[static_cast<std::size_t>(slot[i])];
        if (r.posizione != 1) continue;
        try {
            r.fine = deve_stare_i32(std::int64_t{r.fine} + 100);
        } catch (guasto_lettura& g) {
            guasto_alla_voce(g, s.luoghi_progressive[static_cast<std::size_t>(i)]);
            throw;
        }
    }
}

void memo_montagna(stato_build& s, std::int32_t inizio, std::int32_t fine, std::int32_t& tipo_montagna) {
    bool marcatori = false;
    if (tipo_montagna > 10) {
        tipo_montagna -= 10;
        marcatori = true;
    }
    if (s.n_montagne >= static_cast<std::int32_t>(s.inizi_montagna.size()) - 1)
        throw guasto_lettura{"more than 80 mountain stretches"};
    ++s.n_montagne;
    s.inizi_montagna[static_cast<std::size_t>(s.n_montagne)] = inizio;
    s.fini_montagna[static_cast<std::size_t>(s.n_montagne)] = fine;
    // Two stretches 150 m apart or closer make one terrain of kind 3.
    if (s.n_montagne > 1 &&
        std::int64_t{inizio} - s.fini_montagna[static_cast<std::size_t>(s.n_montagne) - 1] <= 150)
        tipo_montagna = 3;

    const std::int64_t primo = nearest(inizio / 50.0);
    const std::int64_t ultimo = nearest(fine / 50.0 - 1);
    if (primo <= ultimo && (primo < 0 || ultimo > s.n_celle))
        throw guasto_lettura{"a mountain stretch lies outside the route"};
    std::int64_t k = 1;
    for (std::int64_t i = primo; i <= ultimo; ++i, ++k) {
        cella& c = s.percorso[static_cast<std::size_t>(i)];
        c.montagna = bassi8(tipo_montagna);
        if (marcatori && k % 4 == 0 && c.tipo_cella == tipo::libera && (i - 4) * 50 < fine)
            c.tipo_cella = tipo::marcatore_montagna;
    }
}

void memo_indicatori_v_max(stato_build& s, std::int32_t posizione, std::int32_t vas, std::int32_t vbs,
                           std::int32_t vcs, std::int32_t strisces, std::int32_t vad, std::int32_t vbd,
                           std::int32_t vcd, std::int32_t strisced) {
    cella& c = cella_a(s, nearest(posizione / 50.0 + 1));
    if (!cella_libera(c)) {
        s.errore_numero = stati::indicatori_occupato;
        return;
    }
    // Each code packs the left speed (times 20) and a fifth of the right one.
    auto codice = [](std::int32_t sinistra, std::int32_t destra) {
        return deve_stare_i16(nearest(destra / 5.0 + 20.0 * sinistra));
    };
    c.tipo_cella = tipo::indicatori_velocita;
    c.valore1 = codice(vas, vad);
    c.valore2 = codice(vbs, vbd);
    c.valore3 = codice(vcs, vcd);
    c.valore4 = bassi16(std::int64_t{bassi16(bassi16(strisces) * 10)} + bassi16(strisced));
}
