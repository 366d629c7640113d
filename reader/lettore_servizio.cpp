#include "reader/lettore_servizio.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>

#include "core/numeri.hpp"
#include "core/stati.hpp"
#include "core/testo.hpp"
#include "reader/limiti_percorso.hpp"
#include "reader/voci.hpp"

namespace {

enum class esito {
    continua,      // go on with the next test
    fine_lettura,  // end of the file, or an entry beyond the route: the tails follow
    ferma,         // a status that stops the reading at once
};

struct lettura {
    stato_build& s;
    lettore_campi& l;
    std::int32_t limite_stazioni;  // station slots stay below the first slot of a sign text
    std::int32_t j = 1;            // the slot of the next station
    profilo velocita = profilo_velocita();
    profilo aderenza = profilo_aderenza();
};

void registra(lettura& r, std::int32_t numero) { registra_stato(r.s, r.l, descrizione::servizio, numero); }

void registra(lettura& r, std::int32_t numero, std::int32_t posizione) {
    registra_stato(r.s, r.l, descrizione::servizio, numero, posizione);
}

// The bounds check of an entry at `posizione`; a station looks 800 m ahead instead of 100.
bool controlla_percorso(lettura& r, std::int32_t posizione, double margine) {
    if (!entro_percorso(r.s, posizione, margine)) {
        registra(r, stati::fuori_percorso, posizione);
        return false;
    }
    return true;
}

// An entry of numbers only that sets slot fields: each field stored as it is read, at its width.
esito passo_semplice(lettura& r, const voce& v) {
    for (std::size_t i = 0; i < v.campi.size(); ++i) memo_semplice(r.s, v.chiave, i, leggi_campo(r.l, v, i));
    return esito::continua;
}

// A profile entry: position and value; the value in force so far fills the cells up to it.
esito passo_profilo(lettura& r, const voce& v, profilo& p) {
    const auto n = leggi_campi(r.l, v);
    const std::int32_t posizione = n[0];
    const std::int32_t valore = n[1];
    if (!controlla_percorso(r, posizione, 100)) return esito::fine_lettura;
    avanza_profilo(r.s, p, nearest(posizione / 50.0));
    p.valore = valore;
    p.voce = r.l.voce;
    return esito::continua;
}

esito passo_velocita(lettura& r, const voce& v) { return passo_profilo(r, v, r.velocita); }

esito passo_aderenza(lettura& r, const voce& v) { return passo_profilo(r, v, r.aderenza); }


// After a signal or a slowdown the reading stops on any status, also on one that the line
// reader left behind; that one keeps its number and takes the entry's position.
esito dopo_memo(lettura& r, std::int32_t prima, std::int32_t posizione) {
    if (r.s.errore_numero <= 0) return esito::continua;
    if (r.s.errore_numero != prima)
        registra(r, r.s.errore_numero, posizione);
    else
        r.s.errore_posizione = posizione;
    return esito::ferma;
}

esito passo_segnale(lettura& r, const voce& v) {
    auto n = leggi_campi(r.l, v);
    const std::int32_t posizione = n[0];
    auto& [_p, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo] = n;
    if (!controlla_percorso(r, posizione, 100)) return esito::fine_lettura;
    const std::int32_t prima = r.s.errore_numero;
    memo_segnale(r.s, posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
    return dopo_memo(r, prima, posizione);
}

esito passo_rallentamento(lettura& r, const voce& e) {
    const auto n = leggi_campi(r.l, e);
    const std::int32_t x = n[0];
    std::int32_t v = n[1];
    std::int32_t l = n[2];
    std::int32_t f_tt = n[3];
    const std::int32_t f_ta = n[4];
    std::int32_t d_v = n[5];
    if (!controlla_percorso(r, x, 100)) return esito::fine_lettura;
    const std::int32_t prima = r.s.errore_numero;
    memo_rallentamento(r.s, x, v, l, f_tt, f_ta, d_v);
    return dopo_memo(r, prima, x);
}

esito passo_abbattimento(lettura& r, const voce& v) {
    const auto n = leggi_campi(r.l, v);
    const std::int32_t posizione = n[0];
    const std::int32_t valore = n[1];
    if (!controlla_percorso(r, posizione, 100)) return esito::fine_lettura;
    if (!memo_abbattimento(r.s, posizione, valore)) {
        registra(r, stati::abbattimento_occupato, posizione);
        return esito::ferma;
    }
    return esito::continua;
}

esito passo_stazione(lettura& r, const voce& v) {
    stato_build& s = r.s;
    if (r.j >= r.limite_stazioni) {
        registra(r, stati::stazioni_troppe);
        return esito::ferma;
    }
    slot_servizio& slot = s.servizio[static_cast<std::size_t>(r.j)];

    // The fields are read one by one: a status stops the reading before the fields after it.
    std::size_t letti = 0;
    auto numero = [&] { return leggi_campo(r.l, v, letti++); };
    const std::int32_t posizione = numero();
    slot.posizione = posizione;
    if (!controlla_percorso(r, posizione, 800)) return esito::fine_lettura;
    if (posizione % 50 != 0) {
        registra(r, stati::stazione_posizione, posizione);
        return esito::ferma;
    }
    slot.tipo_stazione = static_cast<std::uint8_t>(numero());
    const std::int32_t lunghezza = numero();
    if (lunghezza % 100 != 0) {
        registra(r, stati::stazione_lunghezza, posizione);
        return esito::ferma;
    }
    slot.campo4 = static_cast<std::uint8_t>(numero());
    slot.campo5 = static_cast<std::uint8_t>(numero());
    slot.campo6 = static_cast<std::uint8_t>(numero());
    slot.campo7 = static_cast<std::int16_t>(numero());
    slot.campo8 = static_cast<std::int16_t>(numero());
    slot.campo9 = static_cast<std::uint8_t>(numero());
    slot.campo10 = static_cast<std::int16_t>(numero());
    slot.campo11 = static_cast<std::int16_t>(numero());
    slot.campo12 = static_cast<std::int16_t>(numero());
    slot.sosta = static_cast<std::uint8_t>(numero());
    const std::int64_t ore = numero();
    const std::int64_t minuti = numero();
    const std::int64_t secondi = numero();
    slot.nome = leggi_campo_testo(r.l, v, letti);
    const std::int32_t stato_stazione = memo_stazione(s, r.j, lunghezza, ore, minuti, secondi);
    if (stato_stazione == stati::stazione_fine_bassa) {
        registra(r, stato_stazione);
        return esito::ferma;
    }
    if (stato_stazione != 0) {
        registra(r, stato_stazione, posizione);
        return esito::ferma;
    }
    ++r.j;
    if (r.j >= r.limite_stazioni) {
        registra(r, stati::stazioni_troppe);
        return esito::ferma;
    }
    return esito::continua;
}

// The step of each entry of the service.
esito passo(lettura& r, const voce& v) {
    switch (v.chiave) {
        case chiave_voce::massa_frenata:
        case chiave_voce::vetture:
        case chiave_voce::orologio:
        case chiave_voce::sabbia: return passo_semplice(r, v);
        case chiave_voce::velocita: return passo_velocita(r, v);
        case chiave_voce::aderenza: return passo_aderenza(r, v);
        case chiave_voce::segnale: return passo_segnale(r, v);
        case chiave_voce::rallentamento: return passo_rallentamento(r, v);
        case chiave_voce::abbattimento: return passo_abbattimento(r, v);
        case chiave_voce::stazione: return passo_stazione(r, v);
        default: return esito::continua;
    }
}

esito leggi_voci(lettura& r) {
    stato_build& s = r.s;
    // At least one field is read, so an empty file is a read failure.
    do {
        s.riga = leggi_testo(r.l);
        segna_voce(r.l);
    } while (!contiene_nc(s.riga, "[generale]") && !fine_file(r.l));

    for (;;) {
        if (fine_file(r.l)) return esito::fine_lettura;
        s.riga = leggi_testo(r.l);
        if (fine_file(r.l)) return esito::fine_lettura;
        for (int saltati = 0; saltati < 2 && contiene(s.riga, "-"); ++saltati) {
            s.riga = leggi_testo(r.l);
            if (fine_file(r.l)) return esito::fine_lettura;
        }
        segna_voce(r.l);
        // Every test is made, in the table's order: one keyword field may pass several.
        const std::string minuscolo = minuscole(s.riga);
        for (const voce& v : voci_di(parte_voce::servizio)) {
            if (!riconosce(v, s.riga, minuscolo)) continue;
            const esito e = passo(r, v);
            if (e != esito::continua) return e;
        }
    }
}

// A failure in a profile's tail lies in its last entry, not at the end of the file.
[[noreturn]] void fallisce_alla_voce(guasto_lettura g, const profilo& p) {
    guasto_alla_voce(g, p.voce);
    throw g;
}

void coda_di(stato_build& s, profilo& p) {
    try {
        coda_profilo(s, p);
    } catch (const guasto_lettura& g) {
        fallisce_alla_voce(g, p);
    }
}

void fine_lettura(lettura& r) {
    stato_build& s = r.s;
    for (const profilo* p : {&r.velocita, &r.aderenza})
        if (p->cursore > s.n_celle) fallisce_alla_voce(guasto_lettura{"a profile runs past the end of the route"}, *p);
    coda_di(s, r.velocita);
    coda_di(s, r.aderenza);
    // The references were read from the line description: the status points at the entry there.
    for (int i = slot_progressiva_tre; i <= slot_progressiva_uno; ++i) {
        const slot_servizio& slot = s.servizio[static_cast<std::size_t>(i)];
        if (slot.inizio % 50 != 0 || slot.fine % 50 != 0) {
            registra_stato_in(s, descrizione::linea, s.luoghi_progressive[static_cast<std::size_t>(i - slot_progressiva_tre)],
                              stati::progressiva_non_multipla);
            return;
        }
    }
}

}  // namespace

// The stored speed limit is a fifth of the speed, and it must fit its 8-bit field; the
// check falls where the value is written, so a speed that is never written never fails.
std::uint8_t quinto_velocita(std::int32_t velocita) { return deve_stare_u8(nearest(velocita / 5.0)); }

std::uint8_t aderenza_memorizzata(std::int32_t aderenza) { return bassi8(aderenza); }

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
    cella& c = cella_a(s, nearest(posizione / 50.0));
    if (!cella_libera(c)) return false;
    if (valore > 0) {
        c.tipo_cella = tipo::tabella_con_valore;
        c.valore1 = bassi16(valore);
    } else {
        c.tipo_cella = tipo::tabella_senza_valore;
    }
    return true;
}

celle_stazione celle_di_stazione(std::uint8_t t, std::int32_t fine) {
    celle_stazione c{nearest(fine / 50.0 - 1), {-1, -1, -1, -1}};
    if (t == 5 || t == 6) return c;
    for (int i = 1; i <= 4; ++i) {
        const double r = fine / 50.0 - i - 1;
        if (r > 1) c.avvisi[static_cast<std::size_t>(i - 1)] = nearest(r);
    }
    return c;
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
        if (slot.fine / 50.0 - 1 <= 1) return stati::stazione_fine_bassa;
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

void leggi_servizio(stato_build& s, lettore_campi& l, std::int32_t contatore_cartelli) {
    lettura r{s, l, std::min(contatore_cartelli, primo_slot_cartelli)};
    if (leggi_voci(r) == esito::fine_lettura) fine_lettura(r);
}

void memo_segnale(stato_build& s, std::int32_t posizione, std::int32_t& sx, std::int32_t& s1, std::int32_t& s2,
                  std::int32_t& s3, std::int32_t& rapp, std::int32_t& dx, std::int32_t& d1, std::int32_t& d2,
                  std::int32_t& d3, std::int32_t& tempo) {
    const std::int64_t k = nearest(posizione / 50.0 + 1);
    // The approach cells lie up to 400 m before the signal and must exist as well.
    deve_stare_nel_percorso(s, k);
    deve_stare_nel_percorso(s, k - 8);
    if (!cella_libera(cella_a(s, k))) {
        s.errore_numero = stati::segnale_occupato;
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
        cella_a(s, k - 2 * static_cast<std::int64_t>(i + 1)).preavviso = codici[i];
}

void memo_rallentamento(stato_build& s, std::int32_t x, std::int32_t& v, std::int32_t& l, std::int32_t& f_tt,
                        std::int32_t f_ta, std::int32_t& d_v) {
    // Only a slowdown beyond 1500 m has a warning cell, and only then a pre-warning run.
    const bool con_avviso = x > 1500;
    if (!con_avviso) f_ta = 0;
    const std::int64_t inizio = nearest(x / 50.0 + 1);
    const std::int64_t fine = nearest((static_cast<double>(x) + l) / 50 + 1);
    const std::int64_t avviso = con_avviso ? nearest((x - 1200.0) / 50 + 1) : 0;
    const std::int64_t preavviso = con_avviso ? nearest((x - 1200.0) / 50) : 0;

    if (con_avviso) deve_stare_nel_percorso(s, avviso);
    deve_stare_nel_percorso(s, inizio);
    deve_stare_nel_percorso(s, fine);
    if (f_ta != 0) {
        deve_stare_nel_percorso(s, preavviso);
        deve_stare_nel_percorso(s, preavviso - 3);
    }

    if (con_avviso && !cella_libera(cella_a(s, avviso))) {
        s.errore_numero = stati::avviso_occupato;
        return;
    }
    if (!cella_libera(cella_a(s, inizio))) {
        s.errore_numero = stati::inizio_rallentamento_occupato;
        return;
    }
    if (!cella_libera(cella_a(s, fine))) {
        s.errore_numero = stati::fine_rallentamento_occupato;
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
    for (std::int64_t k = 0; k < 4; ++k) {
        if (!cella_libera(cella_a(s, preavviso - k))) {
            s.errore_numero = stati::preavviso_occupato;
            return;
        }
    }
    for (std::int64_t k = 0; k < 4; ++k) {
        cella& c = cella_a(s, preavviso - k);
        c.tipo_cella = tipo::preavviso_rallentamento;
        c.valore1 = static_cast<std::int16_t>(k + 1);
        if (d_v != 0) c.valore2 = static_cast<std::int16_t>(k + 1);
    }
}
