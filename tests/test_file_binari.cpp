#include <gtest/gtest.h>

#include <string>

#include "builder/scrittore_documenti.hpp"
#include "reader/tracciato.hpp"
#include "format/file_binari.hpp"
#include "core/documento.hpp"
#include "cartella_temporanea.hpp"

namespace {

std::string b(std::initializer_list<int> v) {
    std::string s;
    for (int c : v) s.push_back(static_cast<char>(c));
    return s;
}

TEST(BinaryFiles, RouteCell) {
    std::vector<cella> p(3);
    p[1] = cella{14, 5121, -2, 0x1234, -32768, 200, 81, 3, 19, 102, 100};
    const std::string byte = serializza_percorso(p);
    ASSERT_EQ(byte.size(), 45u);
    EXPECT_EQ(byte.substr(0, 15), std::string(15, '\0'));
    EXPECT_EQ(byte.substr(15, 15), b({14, 0x01, 0x14, 0xFE, 0xFF, 0x34, 0x12, 0x00, 0x80, 200, 81, 3, 19, 102, 100}));
    std::vector<cella> letto;
    std::string motivo;
    ASSERT_TRUE(leggi_file_percorso(byte, letto, motivo));
    EXPECT_EQ(serializza_percorso(letto), byte);
    EXPECT_FALSE(leggi_file_percorso(byte.substr(0, 44), letto, motivo));
}

TEST(BinaryFiles, OneGradientChangesOneByte) {
    std::vector<cella> p(10);
    const std::string prima = serializza_percorso(p);
    p[7].pendenza = 103;
    const std::string dopo = serializza_percorso(p);
    for (std::size_t i = 0; i < prima.size(); ++i) EXPECT_EQ(prima[i] == dopo[i], i != 15 * 7 + 13) << i;
}

TEST(BinaryFiles, SlotTable) {
    std::array<slot_servizio, n_slot> servizio{};
    const std::string vuota = serializza_servizio(servizio);
    EXPECT_EQ(vuota, std::string(87 * 34, '\0'));

    servizio[85].nome = "Sorvanta";
    servizio[85].campo7 = 610;
    servizio[85].orario = -2;
    servizio[3].nome = "M\xFC";
    servizio[3].inizio = -300;
    const std::string byte = serializza_servizio(servizio);
    ASSERT_EQ(byte.size(), 2958u + 8 + 2);
    // Slot 3 starts after three empty slots; its text is the single byte FC for the u-umlaut.
    EXPECT_EQ(byte.substr(3 * 34, 18), b({0, 0xD4, 0xFE, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 'M', 0xFC}));
    const std::size_t slot85 = 85 * 34 + 2;
    EXPECT_EQ(byte.substr(slot85 + 14, 10), b({8, 0, 'S', 'o', 'r', 'v', 'a', 'n', 't', 'a'}));
    EXPECT_EQ(byte.substr(slot85 + 24, 2), b({0x62, 0x02}));
    EXPECT_EQ(byte.substr(slot85 + 38, 4), b({0xFE, 0xFF, 0xFF, 0xFF}));

    std::array<slot_servizio, n_slot> letto{};
    std::string motivo;
    ASSERT_TRUE(leggi_file_servizio(byte, letto, motivo)) << motivo;
    EXPECT_EQ(serializza_servizio(letto), byte);
    EXPECT_FALSE(leggi_file_servizio(byte.substr(0, byte.size() - 1), letto, motivo));
    EXPECT_FALSE(leggi_file_servizio(byte + "x", letto, motivo));
}

TEST(BinaryFiles, LinePlanRecords) {
    linea_tracciata l;
    EXPECT_EQ(serializza_linea(l), "");
    crea_linea(l, 10);
    EXPECT_EQ(serializza_linea(l), std::string(2 * 11 * 2, '\0'));  // created, never seeded: all empty
    semina_linea(l);
    completa_linea(l);
    const std::string byte = serializza_linea(l);
    ASSERT_EQ(byte.size(), 20u * 10 - 36);
    EXPECT_EQ(byte.substr(0, 8), b({2, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(byte.substr(8, 10), b({5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // y of metre 2 is the real 2.0; the y half starts at 10 E - 18.
    EXPECT_EQ(byte.substr(10 * 10 - 18, 8), b({2, 0, 0, 0, 2, 0, 1, 0}));
    EXPECT_EQ(byte.substr(10 * 10 - 10, 10), b({5, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}));
    EXPECT_EQ(byte.substr(byte.size() - 4), b({0, 0, 0, 0}));
}

TEST(DocumentWriter, EndMarkerAndEmptyDocument) {
    EXPECT_EQ(testo_documento({marcatore_fine, "dopo"}), "");
    EXPECT_EQ(testo_documento({"a", "", "b\xE8", marcatore_fine, "mai"}), "a\r\n\r\nb\xE8\r\n");
    // Only an exact match ends the list.
    EXPECT_EQ(testo_documento({"Riferimento fine del file", marcatore_fine}), "Riferimento fine del file\r\n");

    cartella_temporanea c;
    scrivi_documento({marcatore_fine}, (c / "vuoto.txt").string());
    EXPECT_TRUE(c.esiste("vuoto.txt"));
    EXPECT_EQ(c.leggi("vuoto.txt"), "");
}

}  // namespace
