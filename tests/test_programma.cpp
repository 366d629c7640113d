// The program as the user starts it: a copy of the executable in a folder of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "avvia_programma.hpp"
#include "builder/costruzione.hpp"
#include "cartella_temporanea.hpp"
#include "core/stati.hpp"
#include "format/file_binari.hpp"
#include "tests/ambiente.hpp"
#include "tests/leggi_file.hpp"

namespace {

// The plain build: a copy of the executable in the folder, started from elsewhere.
esecuzione avvia(const cartella_temporanea& c) {
    std::filesystem::copy_file(programma_in_prova(), c / "genera_scenario",
                               std::filesystem::copy_options::overwrite_existing);
    esecuzione e = avvia_in("/", (c / "genera_scenario").string(), "");
    std::filesystem::remove(c / "genera_scenario");
    return e;
}

TEST(Program, BuildsInItsOwnFolder) {
    cartella_temporanea c;
    const esecuzione e = avvia(c);
    EXPECT_EQ(e.uscita, 0) << e.errori;
    EXPECT_EQ(e.errori, "Attendere\n");
    EXPECT_EQ(std::filesystem::file_size(c / "Sorvanta_linea.dat"), 919964u);
    EXPECT_EQ(std::filesystem::file_size(c / "Sorvanta_E48027.dat"), 13815u);
    EXPECT_TRUE(c.esiste("Sorvanta_E48027.sim"));
    EXPECT_FALSE(c.esiste("Sorvanta_linea.txt"));
    EXPECT_FALSE(c.esiste("Sorvanta_E48027-.txt"));
}

TEST(Program, StampsAndCodesInTheWrittenFiles) {
    cartella_temporanea c;
    ASSERT_EQ(avvia(c).uscita, 0);
    std::vector<cella> percorso;
    std::array<slot_servizio, n_slot> servizio{};
    std::string motivo;
    ASSERT_TRUE(leggi_file_percorso(c.leggi("Sorvanta_E48027.dat"), percorso, motivo)) << motivo;
    ASSERT_TRUE(leggi_file_servizio(c.leggi("Sorvanta_E48027.sim"), servizio, motivo)) << motivo;
    EXPECT_EQ(servizio[85].campo7, 610);
    EXPECT_EQ(servizio[85].orario, 32192);
    EXPECT_EQ(percorso[1].valore1, 5121);
    EXPECT_EQ(percorso[1].valore2, 2332);
    EXPECT_EQ(c.leggi("Sorvanta_E48027.dat").substr(16, 2), "\x01\x14");
}

// Each file the plain build writes (the two descriptions it reads back included) may already
// stand in the folder, longer than what replaces it: the new file is written whole and nothing of
// the old one is left at its end.
class ExistingFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ExistingFile, ALongerOneIsReplacedWhole) {
    const std::string gia_presente = GetParam();
    cartella_temporanea c;
    c.scrivi(gia_presente, std::string(1000000, '\x7F'));
    const esecuzione e = avvia(c);
    ASSERT_EQ(e.uscita, 0) << e.errori;
    const std::filesystem::path riferimenti = std::filesystem::path(GS_SOURCE_DIR) / "tests" / "golden" / "plain";
    for (const char* nome : {"Sorvanta_linea.dat", "Sorvanta_E48027.sim", "Sorvanta_E48027.dat", "Sorvanta_E48027_note.txt",
                             "Sorvanta_E48027_rallentamenti.txt", "Sorvanta_E48027_scheda_treno.txt"})
        EXPECT_TRUE(c.leggi(nome) == leggi_file(riferimenti / nome)) << nome << " differs from its reference";
    EXPECT_FALSE(c.esiste("Sorvanta_linea.txt"));
    EXPECT_FALSE(c.esiste("Sorvanta_E48027-.txt"));
}

INSTANTIATE_TEST_SUITE_P(Each, ExistingFile,
                         ::testing::Values("Sorvanta_linea.txt", "Sorvanta_E48027-.txt", "Sorvanta_linea.dat",
                                           "Sorvanta_E48027.sim", "Sorvanta_E48027.dat", "Sorvanta_E48027_note.txt",
                                           "Sorvanta_E48027_rallentamenti.txt", "Sorvanta_E48027_scheda_treno.txt"),
                         [](const ::testing::TestParamInfo<const char*>& caso) {
                             std::string nome = caso.param;
                             for (char& ch : nome)
                                 if (ch == '.' || ch == '-') ch = '_';
                             return nome;
                         });

TEST(BuildSequence, ErrorShowsTheNumberAndExits) {
    EXPECT_EXIT(errore("1250"), ::testing::ExitedWithCode(1), "^ Errore n\\. 1250\n$");
}

TEST(BuildSequence, GuardStopsBeforeTheBinaryFiles) {
    cartella_temporanea c;
    stato_build s = stato_sorvanta(c);
    // A speed board at 50 m lands on route cell 1, whose first value is reserved.
    c.scrivi("Sorvanta_linea.txt", "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n[fine]\r\n");
    c.scrivi("Sorvanta_E48027-.txt", "[generale]\r\nabbattimento, 50, 60\r\n[fine]\r\n");
    EXPECT_EXIT(memorizza_percorso(s, 1), ::testing::ExitedWithCode(1), "^ Errore n\\. 1250\n$");
    EXPECT_FALSE(c.esiste("Sorvanta_E48027.sim"));
    EXPECT_FALSE(c.esiste("Sorvanta_E48027.dat"));
    EXPECT_FALSE(c.esiste("Sorvanta_linea.dat"));
}

TEST(BuildSequence, WithoutLineFileNoRoute) {
    cartella_temporanea c;
    stato_build s = stato_sorvanta(c);
    c.scrivi("Sorvanta_E48027-.txt", "[generale]\r\n[fine]\r\n");
    try {
        compila(s, {.piano = true});
        FAIL() << "the build went on without a route";
    } catch (const errore_esecuzione& e) {
        EXPECT_NE(e.messaggio.find("status 101"), std::string::npos) << e.messaggio;
    }
    EXPECT_EQ(s.resoconto.errore_numero, stati::file_linea_mancante);
    // The reading step ended before the service description, which stays.
    EXPECT_TRUE(c.esiste("Sorvanta_E48027-.txt"));
}

TEST(BuildSequence, ReadFailureDeletesBothDescriptions) {
    cartella_temporanea c;
    stato_build s = stato_sorvanta(c);
    c.scrivi("Sorvanta_linea.txt", "[generale]\r\nlunghezza percorso, 99999999999\r\n[fine]\r\n");
    c.scrivi("Sorvanta_E48027-.txt", "[generale]\r\n[fine]\r\n");
    EXPECT_THROW(compila(s, {.piano = true}), errore_esecuzione);
    EXPECT_EQ(s.resoconto.errore_numero, stati::lettura_fallita);
    EXPECT_EQ(s.resoconto.errore_riga, 2);
    EXPECT_FALSE(c.esiste("Sorvanta_linea.txt"));
    EXPECT_FALSE(c.esiste("Sorvanta_E48027-.txt"));
}

TEST(BuildSequence, StatusEndsReadingButTheFilesAreWritten) {
    cartella_temporanea c;
    stato_build s = stato_sorvanta(c);
    c.scrivi("Sorvanta_linea.txt",
             "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\ncartello_indicatore, 100, (A)\r\n"
             "cartello_indicatore, 100, (B)\r\n[fine]\r\n");
    c.scrivi("Sorvanta_E48027-.txt", "[generale]\r\n[fine]\r\n");
    EXPECT_EQ(compila(s, {.piano = false}), 0);
    EXPECT_EQ(s.resoconto.errore_numero, stati::cartello_occupato);
    EXPECT_EQ(descrivi_stato(s), "status 6: sign board on a cell that is not free (at 100 m)");
    EXPECT_FALSE(c.esiste("Sorvanta_linea.txt"));
    EXPECT_TRUE(c.esiste("Sorvanta_E48027-.txt"));
    scrivi_file_binari(s);
    EXPECT_EQ(std::filesystem::file_size(c / "Sorvanta_E48027.dat"), 15u * 161);
    EXPECT_FALSE(c.esiste("Sorvanta_linea.dat"));
}

}  // namespace
