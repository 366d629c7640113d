#include "reader/memo_servizio.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>

#include "core/celle.hpp"
#include "core/codifica.hpp"
#include "core/numeri.hpp"
#include "core/stati.hpp"
#include "core/testo.hpp"
#include "reader/limiti_percorso.hpp"
#include "reader/voci.hpp"

namespace {

// The stored speed limit is a fifth of the speed, and it must fit its 8-bit field; the
// check falls where the value is written, so a speed that is never written never fails.
std::uint8_t quinto_velocita(std::int32_t velocita) {
    const std::optional<std::uint8_t> quinti = codifica_velocita(velocita);
    if (!quinti) throw guasto_lettura{"number does not fit 8 bits"};
    return *quinti;
}

std::uint8_t aderenza_memorizzata(std::int32_t aderenza) { return codifica_aderenza(aderenza); }

// Where a station of type `t` (below 25) puts its stop marker and its approach codes.
struct celle_stazione {
    std::int64_t fermata;
    std::array<std::int64_t, 4> avvisi;  // -1: no approach code for that i
};

celle_stazione celle_di_stazione(std::uint8_t t, std::int32_t fine) {
    celle_stazione c{cella_fermata(fine), {-1, -1, -1, -1}};
    if (t == 5 || t == 6) return c;
    for (int i = 1; i <= celle_approccio; ++i)
        if (const std::optional<std::int64_t> a = cella_approccio_stazione(fine, i))
            c.avvisi[static_cast<std::size_t>(i - 1)] = *a;
    return c;
}

}  // namespace

void memo_nomi(stato_build& s) {
    s.servizio[slot_scenario].nome = s.scenario;
    s.servizio[slot_treno].nome = s.treno;
}

profilo profilo_velocita() { return profilo{&cella::velocita_limite, true, quinto_velocita, 0, 0, {}}; }
profilo profilo_aderenza() { return profilo{&cella::aderenza, false, aderenza_memorizzata, 0, 0, {}}; }

void avanza_profilo(stato_build& s, profilo& p, std::int64_t n) {
    if (n <= 0) return;
    // Repeated entries at one position push the adhesion cursor one cell further each time.
    if (p.cursore > s.n_celle) throw guasto_lettura{"a profile runs past the end of the route"};
    do {
        if (p.ferma_a_n && p.cursore >= s.n_celle) return;
        cella_a(s, p.cursore).*p.campo = p.memorizzato(p.valore);
        ++p.cursore;
    } while (p.cursore < n);
}

void coda_profilo(stato_build& s, profilo& p) {
    do {
        cella_a(s, p.cursore).*p.campo = p.memorizzato(p.valore);
        ++p.cursore;
    } while (p.cursore < std::int64_t{s.n_celle} - 2);
}

void memo_semplice(stato_build& s, chiave_voce chiave, std::size_t i, std::int32_t valore) {
    // Each field was read at its width: the 16-bit ones fit.
    switch (chiave) {
        case chiave_voce::massa_frenata: s.servizio[slot_generale].inizio = valore; break;
        case chiave_voce::vetture: s.servizio[slot_generale].posizione = valore; break;
        case chiave_voce::orologio: {
            slot_servizio& slot = s.servizio[slot_treno];
            std::int16_t slot_servizio::*campi[] = {&slot_servizio::campo10, &slot_servizio::campo11,
                                                    &slot_servizio::campo12};
            if (i < 3) slot.*campi[i] = static_cast<std::int16_t>(valore);
            break;
        }
        case chiave_voce::sabbia: s.servizio[slot_treno].campo7 = static_cast<std::int16_t>(valore); break;
        default: break;
    }
}

bool memo_abbattimento(stato_build& s, std::int32_t posizione, std::int32_t valore) {
    cella& c = cella_a(s, cella_profilo(posizione));
    if (!cella_libera(c)) return false;
    if (valore > 0) {
        c.tipo_cella = tipo::tabella_con_valore;
        c.valore1 = bassi16(valore);
    } else {
        c.tipo_cella = tipo::tabella_senza_valore;
    }
    return true;
}


void memo_campo_stazione(stato_build& s, std::int32_t j, std::size_t i, std::int32_t valore) {
    slot_servizio& slot = s.servizio[static_cast<std::size_t>(j)];
    // Each field was read at its width: the 8- and 16-bit ones fit.
    auto u8 = [&](std::uint8_t slot_servizio::*c) { slot.*c = static_cast<std::uint8_t>(valore); };
    auto i16 = [&](std::int16_t slot_servizio::*c) { slot.*c = static_cast<std::int16_t>(valore); };
    switch (i) {
        case 0: slot.posizione = valore; break;
        case 1: u8(&slot_servizio::tipo_stazione); break;
        case 3: u8(&slot_servizio::campo4); break;
        case 4: u8(&slot_servizio::campo5); break;
        case 5: u8(&slot_servizio::campo6); break;
        case 6: i16(&slot_servizio::campo7); break;
        case 7: i16(&slot_servizio::campo8); break;
        case 8: u8(&slot_servizio::campo9); break;
        case 9: i16(&slot_servizio::campo10); break;
        case 10: i16(&slot_servizio::campo11); break;
        case 11: i16(&slot_servizio::campo12); break;
        case 12: u8(&slot_servizio::sosta); break;
        default: break;  // the length and the time are worked out by memo_stazione
    }
}

void memo_nome_stazione(stato_build& s, std::int32_t j, const std::string& nome) {
    s.servizio[static_cast<std::size_t>(j)].nome = nome;
}

std::int32_t memo_stazione(stato_build& s, std::int32_t j, std::int32_t lunghezza, std::int64_t ore,
                           std::int64_t minuti, std::int64_t secondi) {
    slot_servizio& slot = s.servizio[static_cast<std::size_t>(j)];
    const std::int32_t posizione = slot.posizione;
    slot.orario = deve_stare_i32((ore * 60 + minuti) * 60 + secondi);

    const std::uint8_t t = slot.tipo_stazione;
    const std::int64_t p = posizione;
    if (t == 5 || t == 6) {
        slot.inizio = deve_stare_i32(p - lunghezza);
        slot.fine = deve_stare_i32(p + 150);
        slot.campo6 = 0;
    } else if (t == 7 || t == 8) {
        slot.inizio = deve_stare_i32(p - lunghezza);
        slot.fine = deve_stare_i32(p + lunghezza);
        slot.campo6 = 0;
    } else {
        slot.inizio = deve_stare_i32(nearest(posizione - lunghezza / 2.0));
        slot.fine = deve_stare_i32(nearest(posizione + lunghezza / 2.0) + (slot.campo6 != 0 ? 50 : 0));
    }
    if (lunghezza < 600) slot.campo5 = 0;
    if (j == 1) {
        slot.campo5 = 0;
        slot.campo6 = 0;
    }

    if (t < 25) {
        // With the stop marker at cell 1 or before, no approach code lies above cell 1 either.
        if (indice_fermata(slot.fine) <= 1) return stati::stazione_fine_bassa;
        const celle_stazione c = celle_di_stazione(t, slot.fine);
        deve_stare_nel_percorso(s, c.fermata);
        for (std::int64_t a : c.avvisi)
            if (a >= 0) deve_stare_nel_percorso(s, a);
        for (std::size_t i = 0; i < c.avvisi.size(); ++i)
            if (c.avvisi[i] >= 0) cella_a(s, c.avvisi[i]).preavviso = static_cast<std::uint8_t>(81 + i);
        cella& fermata = cella_a(s, c.fermata);
        fermata.tipo_cella = tipo::fermata_stazione;
        fermata.valore1 = deve_stare_i16(j);
    }

    if (j > 1 && std::int64_t{slot.inizio} - 350 < s.servizio[static_cast<std::size_t>(j - 1)].fine)
        return stati::stazione_vicina;
    return 0;
}


void memo_segnale(stato_build& s, std::int32_t posizione, std::int32_t& sx, std::int32_t& s1, std::int32_t& s2,
                  std::int32_t& s3, std::int32_t& rapp, std::int32_t& dx, std::int32_t& d1, std::int32_t& d2,
                  std::int32_t& d3, std::int32_t& tempo) {
    const std::int64_t k = cella_punto(posizione);
    // The approach cells lie up to 400 m before the signal and must exist as well.
    deve_stare_nel_percorso(s, k);
    deve_stare_nel_percorso(s, cella_approccio_segnale(k, celle_approccio));
    if (!cella_libera(cella_a(s, k))) {
        s.resoconto.errore_numero = stati::segnale_occupato;
        return;
    }
    const std::int64_t tipi = std::int64_t{sx} * 3 + dx;
    const std::int16_t valore4 = deve_stare_i16(std::int64_t{rapp} * 10 + tipi);
    const std::int16_t valore1 = deve_stare_i16(std::int64_t{s1} * 10 + d1);
    const std::int16_t valore2 = deve_stare_i16(std::int64_t{s2} * 10 + d2);
    const std::int16_t valore3 = deve_stare_i16(std::int64_t{s3} * 10 + d3);
    std::array<std::uint8_t, 4> codici{};
    for (std::size_t i = 0; i < codici.size(); ++i)
        codici[i] = deve_stare_u8(tipi * 10 + static_cast<std::int64_t>(i + 1));

    if (tempo >= 1 && tempo <= 100) tempo = 101;
    cella& c = cella_a(s, k);
    c.tipo_cella = tipo::segnale;
    c.valore1 = valore1;
    c.valore2 = valore2;
    c.valore3 = valore3;
    c.valore4 = valore4;
    c.tempo_segnale = sx == 2 ? bassi8(tempo) : 0;
    for (std::size_t i = 0; i < codici.size(); ++i)
        cella_a(s, cella_approccio_segnale(k, static_cast<int>(i + 1))).preavviso = codici[i];
}

void memo_rallentamento(stato_build& s, std::int32_t x, std::int32_t& v, std::int32_t& l, std::int32_t& f_tt,
                        std::int32_t f_ta, std::int32_t& d_v) {
    // Only a slowdown beyond 1500 m has a warning cell, and only then a pre-warning run.
    const bool con_avviso = rallentamento_con_avviso(x);
    if (!con_avviso) f_ta = 0;
    const std::int64_t inizio = cella_inizio_rallentamento(x);
    const std::int64_t fine = cella_fine_rallentamento(x, l);
    const std::int64_t avviso = con_avviso ? cella_avviso_rallentamento(x) : 0;
    const std::int64_t preavviso = con_avviso ? cella_preavviso(x, 0) : 0;

    if (con_avviso) deve_stare_nel_percorso(s, avviso);
    deve_stare_nel_percorso(s, inizio);
    deve_stare_nel_percorso(s, fine);
    if (f_ta != 0) {
        deve_stare_nel_percorso(s, preavviso);
        deve_stare_nel_percorso(s, preavviso - 3);
    }

    if (con_avviso && !cella_libera(cella_a(s, avviso))) {
        s.resoconto.errore_numero = stati::avviso_occupato;
        return;
    }
    if (!cella_libera(cella_a(s, inizio))) {
        s.resoconto.errore_numero = stati::inizio_rallentamento_occupato;
        return;
    }
    if (!cella_libera(cella_a(s, fine))) {
        s.resoconto.errore_numero = stati::fine_rallentamento_occupato;
        return;
    }

    cella& e = cella_a(s, fine);
    e.tipo_cella = tipo::fine_rallentamento;
    if (d_v != 0) e.valore2 = bassi16(d_v);
    cella& i = cella_a(s, inizio);
    i.tipo_cella = tipo::inizio_rallentamento;
    if (d_v != 0) i.valore2 = bassi16(d_v);
    if (con_avviso) {
        cella& w = cella_a(s, avviso);
        w.tipo_cella = tipo::avviso_rallentamento;
        if (d_v != 0) w.valore2 = bassi16(d_v);
        w.valore1 = bassi16(v);
    }
    i.valore1 = bassi16(v);
    e.valore1 = bassi16(v);
    i.valore3 = bassi16(f_tt);
    e.valore3 = bassi16(f_tt);

    if (f_ta == 0) return;
    for (std::int64_t k = 0; k < celle_preavviso; ++k) {
        if (!cella_libera(cella_a(s, preavviso - k))) {
            s.resoconto.errore_numero = stati::preavviso_occupato;
            return;
        }
    }
    for (std::int64_t k = 0; k < celle_preavviso; ++k) {
        cella& c = cella_a(s, preavviso - k);
        c.tipo_cella = tipo::preavviso_rallentamento;
        c.valore1 = static_cast<std::int16_t>(k + 1);
        if (d_v != 0) c.valore2 = static_cast<std::int16_t>(k + 1);
    }
}
