#include "reader/memo_linea.hpp"

#include <array>
#include <optional>
#include <string>

#include "reader/limiti_percorso.hpp"
#include "reader/tracciato.hpp"
#include "core/celle.hpp"
#include "core/codifica.hpp"
#include "core/costanti.hpp"
#include "core/numeri.hpp"
#include "core/stati.hpp"
#include "core/testo.hpp"
#include "reader/voci.hpp"

namespace {

// The curvature per metre of the curve classes 1 to 6.
constexpr std::array<double, 6> curvature = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

}  // namespace

void memo_generale(stato_build& s, chiave_voce chiave, std::size_t i, std::int32_t valore) {
    auto slot = [&](int n) -> slot_servizio& { return s.servizio[static_cast<std::size_t>(n)]; };
    std::int32_t slot_servizio::*terna[] = {&slot_servizio::inizio, &slot_servizio::fine, &slot_servizio::posizione};
    switch (chiave) {
        case chiave_voce::lunghezza_percorso: slot(slot_generale).fine = valore; break;
        case chiave_voce::progressiva_tre: slot(slot_progressiva_tre).*terna[i % 3] = valore; break;
        case chiave_voce::progressiva_due: slot(slot_progressiva_due).*terna[i % 3] = valore; break;
        case chiave_voce::progressiva_uno: slot(slot_progressiva_uno).*terna[i % 3] = valore; break;
        case chiave_voce::sfondo_uno: slot(slot_scenario).inizio = valore; break;
        case chiave_voce::sfondo_due: slot(slot_scenario).posizione = valore; break;
        case chiave_voce::sfondo_tre: slot(slot_scenario).fine = valore; break;
        case chiave_voce::ripetizione_segnali: slot(slot_treno).*terna[i % 2] = valore; break;
        default: break;
    }
}

bool memo_codici_ripetizione(stato_build& s, const std::string& campo) {
    slot_servizio& r = s.servizio[slot_treno];
    if (contiene(campo, "4"))
        r.posizione = 4;
    else if (contiene(campo, "9"))
        r.posizione = 9;
    else
        return false;
    if (r.fine == 0) r.posizione = 0;
    return true;
}

void svuota_cella(stato_build& s, std::int64_t i) { cella_a(s, i) = cella{}; }

void crea_percorso(stato_build& s, std::int32_t lunghezza) {
    s.estensione = lunghezza + metri_oltre_fine;
    s.n_celle = deve_stare_i32(ultima_cella(lunghezza));
    s.percorso.assign(static_cast<std::size_t>(s.n_celle) + 1, cella{});
    if (s.genera_linea) crea_linea(s.linea, s.estensione);
}

void riempi_pendenze(stato_build& s, riempimento_pendenze& p, std::int64_t q) {
    if (q <= 0) return;
    do {
        cella_a(s, p.indice).pendenza = codifica_pendenza(p.corrente);
        ++p.indice;
    } while (p.indice < q);
}

void coda_pendenze(stato_build& s, riempimento_pendenze& p) {
    // A failure in the tail lies in the last gradient entry, not at the end of the file.
    try {
        do {
            cella_a(s, p.indice).pendenza = deve_stare_u8(std::int64_t{p.corrente} + scarto_pendenza);
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
    cella& c = cella_a(s, cella_punto(posizione));
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
        const std::size_t i = static_cast<std::size_t>(slot - slot_progressiva_tre);
        return terna{r.inizio, r.fine, r.posizione, s.resoconto.luoghi_progressive[i]};
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
        s.resoconto.luoghi_progressive[static_cast<std::size_t>(i)] = ordine[static_cast<std::size_t>(i)].letta;
    }
    // With flag 1 the chainage is raised by 100 m; one that then no longer fits fails at its entry.
    for (int i = 0; i < 3; ++i) {
        slot_servizio& r = s.servizio[static_cast<std::size_t>(slot[i])];
        if (r.posizione != 1) continue;
        try {
            r.fine = deve_stare_i32(std::int64_t{r.fine} + 100);
        } catch (guasto_lettura& g) {
            guasto_alla_voce(g, s.resoconto.luoghi_progressive[static_cast<std::size_t>(i)]);
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

    const std::int64_t primo = prima_cella_montagna(inizio);
    const std::int64_t ultimo = ultima_cella_montagna(fine);
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
    cella& c = cella_a(s, cella_punto(posizione));
    if (!cella_libera(c)) {
        s.resoconto.errore_numero = stati::indicatori_occupato;
        return;
    }
    // Each code packs the left speed (times 20) and a fifth of the right one, and must fit 16 bits.
    auto codice = [](std::int32_t sinistra, std::int32_t destra) {
        const std::optional<std::int16_t> codificato = codifica_indicatore(sinistra, destra);
        if (!codificato) throw guasto_lettura{"number does not fit 16 bits"};
        return *codificato;
    };
    c.tipo_cella = tipo::indicatori_velocita;
    c.valore1 = codice(vas, vad);
    c.valore2 = codice(vbs, vbd);
    c.valore3 = codice(vcs, vcd);
    c.valore4 = codifica_strisce(strisces, strisced);
}
