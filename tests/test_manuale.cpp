// The manual page and the bash completion: the files kept in docs/ are what the option table
// gives now, groff renders the page without a warning, and bash completes from the script. The
// reference tables of docs/formats.md are what the keyword table gives now.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "tests/leggi_file.hpp"
#include "tools/command_docs.hpp"
#include "tools/formats_docs.hpp"

namespace {

const std::string docs = std::string(GS_SOURCE_DIR) + "/docs";

TEST(Manual, DocsFilesAreWhatTheOptionTableGives) {
    EXPECT_EQ(leggi_file(docs + "/genera_scenario.1"), manual_page())
        << "docs/genera_scenario.1 is out of date: run build-dev/genera_scenario_docs docs";
    EXPECT_EQ(leggi_file(docs + "/genera_scenario.bash"), bash_completion())
        << "docs/genera_scenario.bash is out of date: run build-dev/genera_scenario_docs docs";
}

TEST(FormatsReference, DocsTablesAreWhatTheKeywordTableGives) {
    const std::string text = leggi_file(docs + "/formats.md");
    // Every table is there once: a block removed by hand would make the comparison below empty.
    for (const char* name : {"keywords-line", "fields-line", "keywords-service", "fields-service"}) {
        const std::string marker = std::string("<!-- generated: ") + name + " -->\n";
        const std::size_t at = text.find(marker);
        EXPECT_NE(at, std::string::npos) << name;
        EXPECT_EQ(text.find(marker, at + 1), std::string::npos) << name;
    }
    EXPECT_EQ(text, formats_reference(text))
        << "the tables of docs/formats.md are out of date: run build-dev/genera_scenario_docs docs";
}

TEST(FormatsReference, ReplacesOnlyTheTablesBetweenTheMarkers) {
    const std::string made = formats_reference(
        "prose before\n<!-- generated: keywords-service -->\n| stale | table |\n<!-- end generated -->\nprose after\n");
    EXPECT_EQ(made.rfind("prose before\n<!-- generated: keywords-service -->\n| Keyword |", 0), 0u) << made;
    EXPECT_EQ(made.find("stale"), std::string::npos) << made;
    EXPECT_NE(made.find("| `stazione` | service | \"stazione\" | any | 17 |\n<!-- end generated -->\nprose after\n"),
              std::string::npos)
        << made;
    // Made again, nothing moves.
    EXPECT_EQ(formats_reference(made), made);
}

TEST(FormatsReference, RefusesABrokenMarker) {
    for (const char* text : {"<!-- generated: keywords-line -->\n| table left open |\n",
                             "<!-- generated: keywords-of-nothing -->\n<!-- end generated -->\n",
                             "<!-- generated: fields-line\n<!-- end generated -->\n"}) {
        EXPECT_THROW(formats_reference(text), std::invalid_argument) << text;
    }
}

TEST(Manual, GroffRendersThePageWithoutWarnings) {
    cartella_temporanea c;
    const esecuzione e = avvia_in(c.percorso, GS_GROFF, "-man -Tutf8 -ww -P-cbou '" + docs + "/genera_scenario.1'");
    EXPECT_EQ(e.uscita, 0);
    EXPECT_EQ(e.errori, "");
    // Every command and every option of the table is on the page, its hyphens plain ASCII.
    const std::string& pagina = e.uscita_standard;
    for (const char* atteso : {"compile", "check", "dump", "plot", "decompile", "fmt", "lsp", "--input-encoding",
                               "--scenario", "-o, --out, --output", "--raw", "--plot", "64"})
        EXPECT_NE(pagina.find(atteso), std::string::npos) << atteso;
    for (char byte : manual_page()) EXPECT_LT(static_cast<unsigned char>(byte), 0x80u) << "the page's source is ASCII";
}

struct caso_completamento {
    const char* nome;
    const char* parole;  // COMP_WORDS, the last one being completed
    const char* atteso;  // COMPREPLY, one per line
};

void PrintTo(const caso_completamento& k, std::ostream* os) { *os << k.nome; }

class BashCompletion : public ::testing::TestWithParam<caso_completamento> {};

// bash sources the script, registers the function, and answers as it would on Tab.
TEST_P(BashCompletion, AnswersAsOnTab) {
    const caso_completamento& k = GetParam();
    cartella_temporanea c;
    c.scrivi("l_linea.txt", "");
    c.scrivi("l_R1-.txt", "");
    std::filesystem::create_directory(c / "uscita");
    c.scrivi("prova.sh",
             "source '" + docs + "/genera_scenario.bash'\n"
             "complete -p genera_scenario\n"
             "COMP_WORDS=(" + std::string(k.parole) + ")\n"
             "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
             "COMP_LINE=\"${COMP_WORDS[*]}\"\n"
             "COMP_POINT=${#COMP_LINE}\n"
             "_genera_scenario\n"
             "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort\n");
    const esecuzione e = avvia_in(c.percorso, GS_BASH, "--norc --noprofile prova.sh");
    EXPECT_EQ(e.uscita, 0) << e.errori;
    EXPECT_EQ(e.errori, "");
    EXPECT_EQ(e.uscita_standard, std::string("complete -F _genera_scenario genera_scenario\n") + k.atteso);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BashCompletion,
    ::testing::Values(
        caso_completamento{"Command", "genera_scenario c", "check\ncompile\n"},
        caso_completamento{"EveryCommand", "genera_scenario ''",
                           "--help\n--version\n-h\ncheck\ncompile\ndecompile\ndump\nfmt\nhelp\nlsp\nplot\ntimetable\nview\n"},
        caso_completamento{"HelpOfACommand", "genera_scenario help d", "decompile\ndump\n"},
        caso_completamento{"LongOption", "genera_scenario compile --s", "--scenario\n--strict\n"},
        caso_completamento{"OptionOfItsCommand", "genera_scenario dump --r", "--raw\n"},
        caso_completamento{"NoOptionOfAnother", "genera_scenario dump --pl", "\n"},
        caso_completamento{"Choice", "genera_scenario compile l_linea.txt --input-encoding u", "utf-8\n"},
        caso_completamento{"ChoiceAfterEquals", "genera_scenario check --color = a", "always\nauto\n"},
        caso_completamento{"FolderForOut", "genera_scenario compile -o u", "uscita\n"},
        caso_completamento{"FilesForInputs", "genera_scenario compile l_", "l_R1-.txt\nl_linea.txt\n"},
        caso_completamento{"ANameIsFree", "genera_scenario plot --train ''", "\n"}),
    [](const ::testing::TestParamInfo<caso_completamento>& caso) { return std::string(caso.param.nome); });

}  // namespace
