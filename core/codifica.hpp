// What a description's value becomes in the files, for every cell and slot field written in the
// author's units: the readers write by these, and the tools that decode (format/codec.hpp) read
// by their inverses. Where a field keeps only its low bits, so do these.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "core/costanti.hpp"
#include "core/numeri.hpp"

// ---- the track under a cell

// The speed limit is stored in fifths of km/h, halves to even; 0 to 1277 km/h fit.
inline std::optional<std::uint8_t> codifica_velocita(std::int64_t kmh) {
    const double quinti = std::nearbyint(static_cast<double>(kmh) / passo_velocita_kmh);
    if (!(quinti >= 0 && quinti <= 255)) return std::nullopt;
    return static_cast<std::uint8_t>(quinti);
}

// The gradient is stored as gradient + 100, in 8 bits.
inline std::uint8_t codifica_pendenza(std::int64_t per_mille) { return bassi8(per_mille + scarto_pendenza); }

// Adhesion keeps its low 8 bits.
inline std::uint8_t codifica_aderenza(std::int64_t v) { return bassi8(v); }

// Mountain kind: a kind above 10 means kind - 10 with markers on every fourth cell.
inline constexpr std::int64_t soglia_marcatori_montagna = 10;
struct montagna_scritta {
    std::int64_t tipo = 0;
    bool marcatori = false;
};
inline montagna_scritta leggi_tipo_montagna(std::int64_t scritto) {
    if (scritto > soglia_marcatori_montagna) return {scritto - soglia_marcatori_montagna, true};
    return {scritto, false};
}
inline std::uint8_t codifica_montagna(std::int64_t tipo) { return bassi8(tipo); }

// ---- speed indicator boards: each category's code is 20 x left + right / 5, to the nearest

inline constexpr std::int64_t peso_sinistra = 20;
inline std::optional<std::int16_t> codifica_indicatore(std::int64_t sinistra, std::int64_t destra) {
    const double v = std::nearbyint(static_cast<double>(destra) / passo_velocita_kmh +
                                    static_cast<double>(peso_sinistra) * static_cast<double>(sinistra));
    if (!(v >= INT16_MIN && v <= INT16_MAX)) return std::nullopt;
    return static_cast<std::int16_t>(v);
}

// Stripe codes, signal values and approach codes pack decimal digits.
inline constexpr std::int64_t base_cifra = 10;

// The stripe code 10 x left + right, in 16 bits that wrap.
inline std::int16_t codifica_strisce(std::int64_t sinistra, std::int64_t destra) {
    return bassi16(base_cifra * std::int64_t{bassi16(sinistra)} + std::int64_t{bassi16(destra)});
}

// ---- signals

// A signal's kinds pack as left x 3 + right.
inline constexpr std::int64_t base_tipi = 3;
inline constexpr std::int64_t tempo_alzato_fino_a = 100;
inline constexpr std::int64_t tempo_minimo = 101;
inline constexpr std::int64_t tipo_con_tempo = 2;

struct segnale_scritto {
    std::int64_t sx = 0, dx = 0, rapp = 0, tempo = 0;
    std::array<std::int64_t, 3> sinistra{}, destra{};  // s1..s3, d1..d3
};
struct segnale_in_cella {
    std::array<std::int16_t, 4> valori{};  // valore1..4
    std::uint8_t tempo = 0;                // tempo_segnale
};

// A signal's time value: 1 to 100 become 101; only a signal of left kind 2 keeps one, in 8 bits.
inline std::uint8_t codifica_tempo_segnale(std::int64_t tempo, std::int64_t sx) {
    if (tempo >= 1 && tempo <= tempo_alzato_fino_a) tempo = tempo_minimo;
    return sx == tipo_con_tempo ? bassi8(tempo) : std::uint8_t{0};
}

inline segnale_in_cella codifica_segnale(const segnale_scritto& s) {
    segnale_in_cella c;
    for (std::size_t i = 0; i < 3; ++i) c.valori[i] = bassi16(s.sinistra[i] * base_cifra + s.destra[i]);
    c.valori[3] = bassi16(s.rapp * base_cifra + s.sx * base_tipi + s.dx);
    c.tempo = codifica_tempo_segnale(s.tempo, s.sx);
    return c;
}

// The approach codes: (left kind x 3 + right kind) x 10 + i before a signal, 80 + i before a
// station's end, i = 1 .. 4 counting away from it.
inline std::uint8_t codifica_approccio_segnale(std::int64_t sx, std::int64_t dx, int i) {
    return bassi8((sx * base_tipi + dx) * base_cifra + i);
}
inline constexpr std::uint8_t base_approccio_stazione = 80;
inline std::uint8_t codifica_approccio_stazione(int i) { return bassi8(base_approccio_stazione + i); }

// ---- slowdowns: the speed in valore1 of the warning, start and end; d_v in valore2 when not 0;
// f_tt in valore3 of the start and end, each in its low 16 bits; the pre-warning cells count
// 1 to 4 in valore1 (and valore2 when d_v is not 0), i = 0 .. 3 from the warning board back.
inline std::int16_t codifica_valore16(std::int64_t v) { return bassi16(v); }
inline std::int16_t codifica_passo_preavviso(int i) { return bassi16(i + 1); }

// ---- service slots

inline constexpr std::int64_t secondi_minuto = 60;

// A station's scheduled time in seconds since midnight.
inline std::int32_t codifica_orario(std::int64_t ore, std::int64_t minuti, std::int64_t secondi) {
    return deve_stare_i32((ore * secondi_minuto + minuti) * secondi_minuto + secondi);
}

// A kilometre reference's flag 1 adds 100 m to its stored chainage.
inline constexpr std::int32_t aggiunta_segno_progressiva = 100;
inline std::int32_t codifica_progressiva(std::int32_t chilometrica, std::int32_t segno) {
    return segno == 1 ? deve_stare_i32(std::int64_t{chilometrica} + aggiunta_segno_progressiva) : chilometrica;
}

// Signal repetition: code count 4 or 9, 0 when the end is 0.
inline std::int32_t codici_ripetizione(std::int32_t conteggio_scritto, std::int32_t fine) {
    return fine == 0 ? 0 : conteggio_scritto;
}
