#include "format/file_binari.hpp"

#include <bit>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

#define CAMPO_CELLA(nome, byte, segno)                                                  \
    campo_cella {                                                                       \
        #nome, byte, segno, [](const cella& c) -> std::int64_t { return c.nome; },       \
            [](cella& c, std::int64_t v) { c.nome = static_cast<decltype(c.nome)>(v); } \
    }

#define CAMPO_SLOT(nome, byte, segno)                                                           \
    campo_slot {                                                                                \
        #nome, byte, segno, [](const slot_servizio& s) -> std::int64_t { return s.nome; },       \
            [](slot_servizio& s, std::int64_t v) { s.nome = static_cast<decltype(s.nome)>(v); } \
    }

const std::array<campo_cella, 11> layout_cella = {
    CAMPO_CELLA(tipo_cella, 1, false),    CAMPO_CELLA(valore1, 2, true),        CAMPO_CELLA(valore2, 2, true),
    CAMPO_CELLA(valore3, 2, true),        CAMPO_CELLA(valore4, 2, true),        CAMPO_CELLA(tempo_segnale, 1, false),
    CAMPO_CELLA(preavviso, 1, false),     CAMPO_CELLA(montagna, 1, false),      CAMPO_CELLA(velocita_limite, 1, false),
    CAMPO_CELLA(pendenza, 1, false),      CAMPO_CELLA(aderenza, 1, false),
};

const std::array<campo_slot, 16> layout_slot = {
    CAMPO_SLOT(tipo_stazione, 1, false),
    CAMPO_SLOT(inizio, 4, true),
    CAMPO_SLOT(fine, 4, true),
    CAMPO_SLOT(posizione, 4, true),
    CAMPO_SLOT(campo4, 1, false),
    campo_slot{"nome", 0, false, nullptr, nullptr},
    CAMPO_SLOT(campo7, 2, true),
    CAMPO_SLOT(campo8, 2, true),
    CAMPO_SLOT(campo10, 2, true),
    CAMPO_SLOT(campo11, 2, true),
    CAMPO_SLOT(campo12, 2, true),
    CAMPO_SLOT(campo9, 1, false),
    CAMPO_SLOT(sosta, 1, false),
    CAMPO_SLOT(campo6, 1, false),
    CAMPO_SLOT(campo5, 1, false),
    CAMPO_SLOT(orario, 4, true),
};

#undef CAMPO_CELLA
#undef CAMPO_SLOT

namespace {

// Appends through a small buffer that stays in the cache, and hands each full buffer to
// `scarica`: a file is filled in one pass, and a large one is never held whole.
struct uscita {
    const std::function<void(std::string_view)>& scarica;
    char blocco[1 << 16];
    std::size_t usati = 0;

    explicit uscita(const std::function<void(std::string_view)>& s) : scarica(s) {}
    template <int quanti>
    void metti(std::uint64_t v) {
        if (usati + quanti > sizeof blocco) svuota();
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(blocco + usati, &v, quanti);
        } else {
            for (int i = 0; i < quanti; ++i) blocco[usati + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFFu);
        }
        usati += quanti;
    }
    void metti(std::uint64_t v, int quanti) {
        switch (quanti) {
            case 1: metti<1>(v); break;
            case 2: metti<2>(v); break;
            case 4: metti<4>(v); break;
            default: metti<8>(v); break;
        }
    }
    void metti_testo(const std::string& t, std::size_t n) {
        svuota();
        scarica(std::string_view(t).substr(0, n));
    }
    void svuota() {
        if (usati > 0) scarica(std::string_view(blocco, usati));
        usati = 0;
    }
};

// The whole file in one string, for the callers that want it so.
std::string tutto(const std::function<void(const std::function<void(std::string_view)>&)>& serializza,
                  std::size_t dimensione) {
    std::string byte;
    byte.reserve(dimensione);
    serializza([&](std::string_view pezzo) { byte.append(pezzo); });
    return byte;
}

std::uint64_t prendi(const std::string& in, std::size_t at, int byte) {
    std::uint64_t v = 0;
    for (int i = 0; i < byte; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)])) << (8 * i);
    return v;
}

std::int64_t con_segno(std::uint64_t v, int byte, bool segno) {
    if (!segno || byte == 8) return static_cast<std::int64_t>(v);
    std::uint64_t alto = std::uint64_t{1} << (8 * byte - 1);
    return static_cast<std::int64_t>(v ^ alto) - static_cast<std::int64_t>(alto);
}

// A text stores at most 65535 bytes behind its 16-bit length.
std::size_t byte_nome(const slot_servizio& s) { return s.nome.size() & 0xFFFFu; }

}  // namespace

std::string serializza_percorso(const std::vector<cella>& percorso) {
    return tutto(
        [&](const scrivi_byte& scrivi) {
            uscita out(scrivi);
            for (const cella& c : percorso)
                for (const campo_cella& f : layout_cella) out.metti(static_cast<std::uint64_t>(f.leggi(c)), f.byte);
            out.svuota();
        },
        percorso.size() * byte_cella);
}

std::string serializza_servizio(const std::array<slot_servizio, n_slot>& servizio) {
    std::size_t dimensione = 0;
    for (const slot_servizio& s : servizio) dimensione += byte_slot_senza_testo + byte_nome(s);
    return tutto(
        [&](const scrivi_byte& scrivi) {
            uscita out(scrivi);
            for (const slot_servizio& s : servizio) {
                for (const campo_slot& f : layout_slot) {
                    if (f.byte == 0) {
                        out.metti(byte_nome(s), 2);
                        out.metti_testo(s.nome, byte_nome(s));
                    } else {
                        out.metti(static_cast<std::uint64_t>(f.leggi(s)), f.byte);
                    }
                }
            }
            out.svuota();
        },
        dimensione);
}

namespace {

struct generi_linea {
    std::size_t interi = 0;  // the two seed metres
    std::size_t reali = 0;   // the traced metres
    std::size_t vuoti = 0;   // the rest
};

generi_linea generi(const linea_tracciata& linea) {
    generi_linea g;
    const std::size_t metri = static_cast<std::size_t>(linea.estensione) + 1;
    g.interi = linea.seminata ? 2 : 0;
    g.reali = linea.seminata ? static_cast<std::size_t>(linea.metro) - 2 : 0;
    g.vuoti = metri - g.interi - g.reali;
    return g;
}

}  // namespace

std::size_t byte_file_linea(const linea_tracciata& linea) {
    if (!linea_creata(linea)) return 0;
    const generi_linea g = generi(linea);
    return 2 * (4 * g.interi + 10 * g.reali + 2 * g.vuoti);
}

// The kinds of the elements follow each other in runs (the two seed metres, the traced
// metres, the rest empty), so each axis is written run by run; the traced points are worked
// out once for each axis, which costs less than holding them.
void serializza_linea(const linea_tracciata& linea, const scrivi_byte& scrivi) {
    if (!linea_creata(linea)) return;
    const generi_linea g = generi(linea);
    uscita out(scrivi);
    for (const bool y : {false, true}) {
        const double* seme = y ? y_seme : x_seme;
        for (std::size_t m = 0; m < g.interi; ++m) {
            out.metti<2>(codice_intero16);
            out.metti<2>(static_cast<std::uint16_t>(static_cast<std::int16_t>(seme[m])));
        }
        percorri_linea(linea, [&](const double* xs, const double* ys, std::size_t n) {
            const double* v = y ? ys : xs;
            for (std::size_t i = 0; i < n; ++i) {
                out.metti<2>(codice_reale64);
                out.metti<8>(std::bit_cast<std::uint64_t>(v[i]));
            }
        });
        for (std::size_t m = 0; m < g.vuoti; ++m) out.metti<2>(codice_vuoto);
    }
    out.svuota();
}

std::string serializza_linea(const linea_tracciata& linea) {
    return tutto([&](const scrivi_byte& scrivi) { serializza_linea(linea, scrivi); }, byte_file_linea(linea));
}

bool leggi_file_percorso(const std::string& byte, std::vector<cella>& percorso, std::string& motivo) {
    if (byte.empty() || byte.size() % byte_cella != 0) {
        motivo = "size " + std::to_string(byte.size()) + " is not a positive multiple of 15 bytes";
        return false;
    }
    percorso.assign(byte.size() / byte_cella, cella{});
    std::size_t at = 0;
    for (cella& c : percorso)
        for (const campo_cella& f : layout_cella) {
            f.scrivi(c, con_segno(prendi(byte, at, f.byte), f.byte, f.con_segno));
            at += static_cast<std::size_t>(f.byte);
        }
    return true;
}

bool leggi_file_servizio(const std::string& byte, std::array<slot_servizio, n_slot>& servizio, std::string& motivo) {
    std::size_t at = 0;
    for (int k = 0; k < n_slot; ++k) {
        slot_servizio& s = servizio[static_cast<std::size_t>(k)];
        s = slot_servizio{};
        for (const campo_slot& f : layout_slot) {
            std::size_t serve = f.byte == 0 ? 2 : static_cast<std::size_t>(f.byte);
            if (byte.size() - at < serve) {
                motivo = "slot " + std::to_string(k) + " is truncated at byte " + std::to_string(at);
                return false;
            }
            if (f.byte == 0) {
                std::size_t n = prendi(byte, at, 2);
                at += 2;
                if (byte.size() - at < n) {
                    motivo = "the text of slot " + std::to_string(k) + " is truncated at byte " + std::to_string(at);
                    return false;
                }
                s.nome = byte.substr(at, n);
                at += n;
            } else {
                f.scrivi(s, con_segno(prendi(byte, at, f.byte), f.byte, f.con_segno));
                at += serve;
            }
        }
    }
    if (at != byte.size()) {
        motivo = std::to_string(byte.size() - at) + " bytes follow slot 86";
        return false;
    }
    return true;
}
