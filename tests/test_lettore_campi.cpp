#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/lettore_campi.hpp"

namespace {

// What a sequence of reads gives: 't' reads a text field, 'n' a number field.
struct caso_campi {
    const char* nome;
    std::string testo;
    std::string letture;
    std::vector<std::string> attesi;
    bool fine_attesa;  // end of file reached after the last read
};

std::string leggi_uno(lettore_campi& l, char genere) {
    return genere == 't' ? "[" + leggi_testo(l) + "]" : std::to_string(leggi_numero(l));
}

class LettoreCampi : public ::testing::TestWithParam<caso_campi> {};

TEST_P(LettoreCampi, LeggeComeAtteso) {
    const caso_campi& c = GetParam();
    lettore_campi l = apri_lettore(c.testo);
    std::vector<std::string> letti;
    for (char g : c.letture) letti.push_back(leggi_uno(l, g));
    EXPECT_EQ(letti, c.attesi);
    EXPECT_EQ(fine_file(l), c.fine_attesa);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, LettoreCampi,
    ::testing::Values(
        caso_campi{"keyword_and_numbers", "pendenza,  7400,   2\r\n[fine]\r\n", "tnnt", {"[pendenza]", "7400", "2", "[[fine]]"}, true},
        caso_campi{"leading_blanks_and_tabs", " \t sfondo uno,\t 1\r\n", "tn", {"[sfondo uno]", "1"}, true},
        caso_campi{"text_keeps_inner_blanks", "cartello,  450,   (PONTE SUL     )(FIUME)\r\n", "tnt",
                   {"[cartello]", "450", "[(PONTE SUL     )(FIUME)]"}, true},
        caso_campi{"quoted_text_holds_commas", "\"a, b\" ,x\r\n", "tt", {"[a, b]", "[x]"}, true},
        caso_campi{"numbers_end_at_blanks", "orologio,    10              14            20 \r\n[x]\r\n", "tnnnt",
                   {"[orologio]", "10", "14", "20", "[[x]]"}, true},
        caso_campi{"blank_number_reads_zero", "a,  80,  ,  ,  0\r\n", "tnnnn", {"[a]", "80", "0", "0", "0"}, true},
        caso_campi{"text_number_reads_zero", "abc, 12x, -, 7\n", "nnnn", {"0", "0", "0", "7"}, true},
        caso_campi{"negative_and_limits", "-1900, 2147483647, -2147483648\r\n", "nnn",
                   {"-1900", "2147483647", "-2147483648"}, true},
        caso_campi{"lf_line_ends", "a\nb\n", "tt", {"[a]", "[b]"}, true},
        caso_campi{"cr_line_ends", "a\rb\r", "tt", {"[a]", "[b]"}, true},
        caso_campi{"last_field_without_line_end", "a,b", "tt", {"[a]", "[b]"}, true},
        caso_campi{"trailing_blank_line_is_not_the_end", "a\r\n\r\n", "t", {"[a]"}, false},
        caso_campi{"empty_text_field", ",x\r\n", "tt", {"[]", "[x]"}, true}),
    [](const ::testing::TestParamInfo<caso_campi>& caso) { return std::string(caso.param.nome); });

TEST(LettoreCampi, NumeroFuoriDai32BitFallisce) {
    for (const char* testo : {"2147483648\r\n", "-2147483649\r\n", "99999999999999999999999\r\n"}) {
        std::string t = testo;
        lettore_campi l = apri_lettore(t);
        EXPECT_THROW(leggi_numero(l), guasto_lettura) << testo;
    }
}

TEST(LettoreCampi, LarghezzeDelCampo) {
    std::string t = "32767, 32768, 255, 256, -1\r\n";
    lettore_campi l = apri_lettore(t);
    EXPECT_EQ(leggi_numero16(l), 32767);
    EXPECT_THROW(leggi_numero16(l), guasto_lettura);
    EXPECT_EQ(leggi_numero8(l), 255);
    EXPECT_THROW(leggi_numero8(l), guasto_lettura);
    EXPECT_THROW(leggi_numero8(l), guasto_lettura);
}

TEST(LettoreCampi, LetturaOltreLaFineFallisce) {
    std::string t = "a\r\n";
    lettore_campi l = apri_lettore(t);
    leggi_testo(l);
    ASSERT_TRUE(fine_file(l));
    EXPECT_THROW(leggi_testo(l), guasto_lettura);
    EXPECT_THROW(leggi_numero(l), guasto_lettura);
    std::string vuoto;
    lettore_campi v = apri_lettore(vuoto);
    EXPECT_THROW(leggi_testo(v), guasto_lettura);
}

TEST(LettoreCampi, ContaLeRighe) {
    std::string t = "a\r\nb, 1\nc\rd\r\n";
    lettore_campi l = apri_lettore(t);
    std::vector<int> righe;
    for (char g : std::string("tntt")) {
        leggi_uno(l, g);
        righe.push_back(l.riga_campo);
    }
    EXPECT_EQ(righe, (std::vector<int>{1, 2, 2, 3}));
}

}  // namespace
