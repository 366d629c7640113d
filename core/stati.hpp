// Every build status and fatal error number, with its meaning, in one table.
#pragma once

#include <cstdint>
#include <string>

struct stato_build;

namespace stati {
inline constexpr std::int32_t nessuno = 0;
inline constexpr std::int32_t lunghezza_oltre_limite = 1;
inline constexpr std::int32_t progressiva_non_multipla = 2;
inline constexpr std::int32_t ripetizione_inizio = 3;
inline constexpr std::int32_t ripetizione_fine = 4;
inline constexpr std::int32_t ripetizione_codici = 5;
inline constexpr std::int32_t cartello_occupato = 6;
inline constexpr std::int32_t abbattimento_occupato = 7;
inline constexpr std::int32_t stazione_posizione = 8;
inline constexpr std::int32_t stazione_lunghezza = 9;
inline constexpr std::int32_t stazioni_troppe = 10;
inline constexpr std::int32_t finitura_segnale = 11;
inline constexpr std::int32_t finitura_gruppo = 12;
inline constexpr std::int32_t finitura_zona = 13;
inline constexpr std::int32_t fuori_percorso = 15;
inline constexpr std::int32_t segnale_occupato = 16;
inline constexpr std::int32_t avviso_occupato = 17;
inline constexpr std::int32_t inizio_rallentamento_occupato = 18;
inline constexpr std::int32_t fine_rallentamento_occupato = 19;
inline constexpr std::int32_t preavviso_occupato = 20;
inline constexpr std::int32_t indicatori_occupato = 21;
inline constexpr std::int32_t stazione_vicina = 22;
inline constexpr std::int32_t stazione_fine_bassa = 24;
inline constexpr std::int32_t lettura_fallita = 25;
inline constexpr std::int32_t file_linea_mancante = 101;
inline constexpr std::int32_t generale_mancante = 102;
inline constexpr std::int32_t curva_non_valida = 103;
inline constexpr std::int32_t campi_riservati_occupati = 1250;
inline constexpr std::int32_t codici_riservati_occupati = 1251;
}  // namespace stati

enum class genere_stato { stato, errore_fatale };

struct voce_stato {
    std::int32_t numero;
    genere_stato genere;
    const char* registrato_da;
    const char* significato;
    bool con_posizione;  // whether the recorder gives errore_posizione
};

// The entry of a number, or nullptr for a number that is not in the table.
const voce_stato* cerca_stato(std::int32_t numero);

// Every entry, in the table's order.
const voce_stato* voci_stati(std::size_t& quante);

// One line for the console: "status N: meaning (at P m)", or "status 25: reason" when a read
// failure knows its reason. P is the position of the entry that caused the status.
std::string descrivi_stato(const stato_build& s);
