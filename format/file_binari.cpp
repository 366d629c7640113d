#include "format/file_binari.hpp"

#include <bit>
#include <cstring>
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

// Appends through a small buffer that stays in the cache: each file is reserved once, never
// cleared first, and filled in one pass.
struct uscita {
    std::string byte;
    char blocco[8192];
    std::size_t usati = 0;

    explicit uscita(std::size_t dimensione) { byte.reserve(dimensione); }
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
        byte.append(t, 0, n);
    }
    std::string finito() {
        svuota();
        return std::move(byte);
    }
    void svuota() {
        byte.append(blocco, usati);
        usati = 0;
    }
};

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
    uscita out(percorso.size() * byte_cella);
    for (const cella& c : percorso)
        for (const campo_cella& f : layout_cella) out.metti(static_cast<std::uint64_t>(f.leggi(c)), f.byte);
    return out.finito();
}

std::string serializza_servizio(const std::array<slot_servizio, n_slot>& servizio) {
    std::size_t dimensione = 0;
    for (const slot_servizio& s : servizio) dimensione += byte_slot_senza_testo + byte_nome(s);
    uscita out(dimensione);
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
    return out.finito();
}

// The kinds of the elements follow each other in runs (the two seed metres, the traced
// metres, the rest empty), so each axis is written run by run.
std::string serializza_linea(const linea_tracciata& linea) {
    if (!linea_creata(linea)) return {};
    const std::size_t metri = static_cast<std::size_t>(linea.estensione) + 1;
    const std::size_t interi = linea.seminata ? 2 : 0;
    const std::size_t reali = linea.seminata ? static_cast<std::size_t>(linea.metro) - 2 : 0;
    const std::size_t vuoti = metri - interi - reali;
    uscita out(2 * (4 * interi + 10 * reali + 2 * vuoti));
    for (const double* asse : {x_di(linea), y_di(linea)}) {
        for (std::size_t m = 0; m < interi; ++m) {
            out.metti<2>(codice_intero16);
            out.metti<2>(static_cast<std::uint16_t>(static_cast<std::int16_t>(asse[m])));
        }
        for (std::size_t m = interi; m < interi + reali; ++m) {
            out.metti<2>(codice_reale64);
            out.metti<8>(std::bit_cast<std::uint64_t>(asse[m]));
        }
        // An empty element's value is never read: it was never written.
        for (std::size_t m = 0; m < vuoti; ++m) out.metti<2>(codice_vuoto);
    }
    return out.finito();
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
