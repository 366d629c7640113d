#include "format/codec.hpp"

#include <algorithm>
#include <cmath>

#include "core/costanti.hpp"

std::int32_t decodifica_velocita(std::uint8_t quinti) { return passo_velocita_kmh * std::int32_t{quinti}; }

std::int32_t decodifica_pendenza(std::uint8_t v) { return std::int32_t{v} - scarto_pendenza; }

// A 5 km/h step on the left is 100 code units; the right speed's fifths stay below it.
inline constexpr std::int32_t codici_per_sinistra = 100;

std::optional<velocita_lati> decodifica_indicatore(std::int16_t codice) {
    if (codice < 0) return std::nullopt;
    return velocita_lati{codice / codici_per_sinistra * passo_velocita_kmh,
                         codice % codici_per_sinistra * passo_velocita_kmh};
}

std::optional<strisce_lati> decodifica_strisce(std::int16_t codice) {
    if (codice < 0) return std::nullopt;
    return strisce_lati{static_cast<std::int32_t>(codice / base_cifra), static_cast<std::int32_t>(codice % base_cifra)};
}

std::optional<segnale_scritto> decodifica_segnale(const segnale_in_cella& c) {
    const std::int16_t v4 = c.valori[3];
    if (v4 < 0 || v4 % base_cifra >= base_tipi * base_tipi) return std::nullopt;
    segnale_scritto s;
    s.rapp = v4 / base_cifra;
    s.sx = v4 % base_cifra / base_tipi;
    s.dx = v4 % base_cifra % base_tipi;
    for (std::size_t i = 0; i < 3; ++i) {
        if (c.valori[i] < 0 || c.valori[i] >= base_cifra * base_cifra) return std::nullopt;
        s.sinistra[i] = c.valori[i] / base_cifra;
        s.destra[i] = c.valori[i] % base_cifra;
    }
    s.tempo = c.tempo;
    return s;
}

std::optional<approccio_letto> decodifica_approccio(std::uint8_t codice) {
    const auto passo = static_cast<std::int32_t>(codice % base_cifra);
    if (passo < 1 || passo > celle_approccio) return std::nullopt;
    if (codice > base_approccio_stazione && codice <= base_approccio_stazione + celle_approccio)
        return approccio_letto{true, 0, passo};
    const auto tipi = static_cast<std::int32_t>(codice / base_cifra);
    if (tipi >= base_tipi * base_tipi) return std::nullopt;
    return approccio_letto{false, tipi, passo};
}

orario_letto decodifica_orario(std::int32_t secondi) {
    orario_letto o;
    o.negativo = secondi < 0;
    const std::int64_t a = o.negativo ? -std::int64_t{secondi} : std::int64_t{secondi};
    o.ore = a / (secondi_minuto * secondi_minuto);
    o.minuti = a / secondi_minuto % secondi_minuto;
    o.secondi = a % secondi_minuto;
    return o;
}

std::int32_t decodifica_progressiva(const slot_servizio& s) {
    return s.posizione == 1 ? static_cast<std::int32_t>(std::int64_t{s.fine} - aggiunta_segno_progressiva) : s.fine;
}

double passo_massimo_piano(std::size_t metri) {
    double k = 0;
    for (double c : curvature_classi) k = std::max(k, c);
    // At most one curve step a metre; a little room for the rounding of each step.
    return std::pow(1 + k * k, static_cast<double>(metri) / 2) * (1 + 1e-9);
}
