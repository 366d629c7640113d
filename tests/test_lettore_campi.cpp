#include <gtest/gtest.h>

#include <ostream>
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

class FieldReads : public ::testing::TestWithParam<caso_campi> {};

TEST_P(FieldReads, ReadAsExpected) {
    const caso_campi& c = GetParam();
    lettore_campi l = apri_lettore(c.testo);
    std::vector<std::string> letti;
    for (char g : c.letture) letti.push_back(leggi_uno(l, g));
    EXPECT_EQ(letti, c.attesi);
    EXPECT_EQ(fine_file(l), c.fine_attesa);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldReads,
    ::testing::Values(
        caso_campi{"KeywordAndNumbers", "pendenza,  7400,   2\r\n[fine]\r\n", "tnnt", {"[pendenza]", "7400", "2", "[[fine]]"}, true},
        caso_campi{"LeadingBlanksAndTabs", " \t sfondo uno,\t 1\r\n", "tn", {"[sfondo uno]", "1"}, true},
        caso_campi{"TextKeepsInnerBlanks", "cartello,  450,   (PONTE SUL     )(FIUME)\r\n", "tnt",
                   {"[cartello]", "450", "[(PONTE SUL     )(FIUME)]"}, true},
        caso_campi{"QuotedTextHoldsCommas", "\"a, b\" ,x\r\n", "tt", {"[a, b]", "[x]"}, true},
        caso_campi{"QuoteInsideAFieldIsACharacter", "a\"b,c\r\n", "tt", {"[a\"b]", "[c]"}, true},
        caso_campi{"TwoQuotedFieldsOnALine", "\"a\",\"b,c\"\r\nx\r\n", "ttt", {"[a]", "[b,c]", "[x]"}, true},
        caso_campi{"NumbersEndAtBlanks", "orologio,    10              14            20 \r\n[x]\r\n", "tnnnt",
                   {"[orologio]", "10", "14", "20", "[[x]]"}, true},
        caso_campi{"BlankNumberReadsZero", "a,  80,  ,  ,  0\r\n", "tnnnn", {"[a]", "80", "0", "0", "0"}, true},
        caso_campi{"TextNumberReadsZero", "abc, 12x, -, 7\n", "nnnn", {"0", "0", "0", "7"}, true},
        caso_campi{"NegativeAndLimits", "-1900, 2147483647, -2147483648\r\n", "nnn",
                   {"-1900", "2147483647", "-2147483648"}, true},
        caso_campi{"LfLineEnds", "a\nb\n", "tt", {"[a]", "[b]"}, true},
        caso_campi{"CrLineEnds", "a\rb\r", "tt", {"[a]", "[b]"}, true},
        caso_campi{"LastFieldWithoutLineEnd", "a,b", "tt", {"[a]", "[b]"}, true},
        caso_campi{"TrailingBlankLineIsNotTheEnd", "a\r\n\r\n", "t", {"[a]"}, false},
        caso_campi{"EmptyTextField", ",x\r\n", "tt", {"[]", "[x]"}, true}),
    [](const ::testing::TestParamInfo<caso_campi>& caso) { return std::string(caso.param.nome); });

// A read that fails, with its reason and the place it names: the field being read, or for a
// quote left open, the quote itself.
struct failed_read {
    const char* name;
    std::string text;
    std::string reads;  // the last one fails
    const char* reason;
    int line, column;
};

void PrintTo(const failed_read& c, std::ostream* os) { *os << c.name; }

class FieldReaderFailures : public ::testing::TestWithParam<failed_read> {};

TEST_P(FieldReaderFailures, FailAtTheirPlace) {
    const failed_read& c = GetParam();
    lettore_campi l = apri_lettore(c.text);
    for (std::size_t i = 0; i + 1 < c.reads.size(); ++i) leggi_uno(l, c.reads[i]);
    try {
        leggi_uno(l, c.reads.back());
        FAIL() << "the read did not fail";
    } catch (const guasto_lettura& g) {
        EXPECT_STREQ(g.motivo, c.reason);
        const int line = g.riga > 0 ? g.riga : l.campo.riga;
        const int column = g.riga > 0 ? g.colonna : l.campo.colonna;
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(column, c.column);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldReaderFailures,
    ::testing::Values(
        failed_read{"NumberAbove32Bits", "a\r\n  2147483648\r\n", "tn", "number does not fit 32 bits", 2, 3},
        failed_read{"NumberBelow32Bits", "-2147483649\r\n", "n", "number does not fit 32 bits", 1, 1},
        failed_read{"NumberOf23Digits", "x,  99999999999999999999999\r\n", "tn", "number does not fit 32 bits", 1,
                    5},
        // The quote ends at the line end: the rest of the file is not swallowed into one text.
        failed_read{"QuoteOpenAtLineEnd", "a\r\n  \"(P.L.\r\nb\",c\r\n", "tt", "unclosed quote", 2, 3},
        failed_read{"QuoteOpenAtLf", "x, \"abc\ny\"\n", "tt", "unclosed quote", 1, 4},
        failed_read{"QuoteOpenAtEndOfFile", "a,\"abc", "tt", "unclosed quote", 1, 3},
        failed_read{"LoneQuote", "\"\r\n", "t", "unclosed quote", 1, 1},
        failed_read{"PastTheEnd", "a\r\n", "tt", "an entry runs past the end of the file", 1, 1}),
    [](const ::testing::TestParamInfo<failed_read>& row) { return std::string(row.param.name); });

TEST(FieldReader, StoredTextFitsSixteenBitLength) {
    const std::string longest(65535, 'x');
    std::string t = longest + "," + longest + "y\r\n";
    lettore_campi l = apri_lettore(t);
    EXPECT_EQ(leggi_testo16(l), longest);
    EXPECT_THROW(leggi_testo16(l), guasto_lettura);
    // A keyword field has no stored length.
    lettore_campi k = apri_lettore(t);
    leggi_testo(k);
    EXPECT_EQ(leggi_testo(k).size(), 65536u);
}

TEST(FieldReader, FieldWidths) {
    std::string t = "32767, 32768, 255, 256, -1\r\n";
    lettore_campi l = apri_lettore(t);
    EXPECT_EQ(leggi_numero16(l), 32767);
    EXPECT_THROW(leggi_numero16(l), guasto_lettura);
    EXPECT_EQ(leggi_numero8(l), 255);
    EXPECT_THROW(leggi_numero8(l), guasto_lettura);
    EXPECT_THROW(leggi_numero8(l), guasto_lettura);
}

TEST(FieldReader, ReadingPastTheEndFails) {
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

TEST(FieldReader, CountsLinesAndColumns) {
    std::string t = "a\r\nb,  1\nc\r\t d, \"e\"\r\n";
    lettore_campi l = apri_lettore(t);
    std::vector<std::string> luoghi;
    for (char g : std::string("ttnttt")) {
        leggi_uno(l, g);
        luoghi.push_back(std::to_string(l.campo.riga) + ":" + std::to_string(l.campo.colonna));
    }
    EXPECT_EQ(luoghi, (std::vector<std::string>{"1:1", "2:1", "2:5", "3:1", "4:3", "4:6"}));
}

}  // namespace
