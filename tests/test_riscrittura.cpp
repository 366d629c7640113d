// fmt rewrites the author's file in place as a careful editor does: mode, owner and link kept,
// write-protected and hard-linked files left as they are, quoted texts untouched, a second run
// changing nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "harness/compila_in_memoria.hpp"
#include "lsp/answers.hpp"
#include "lsp/layout.hpp"

#include "tests/ambiente.hpp"
#include "tests/avvia_programma.hpp"
#include "tests/cartella_temporanea.hpp"

namespace {

// A service line whose commas carry three blanks where the layout wants others.
const std::string non_formattato = "[generale]\r\nnumero vetture,   7\r\n[fine]\r\n";

struct caso_riscrittura {
    const char* nome;
    mode_t modo;
    bool collegamento_simbolico;
    bool collegamento_fisico;
    bool altro_proprietario;
    int uscita;
    bool riscritto;
};

TEST(FmtInPlace, KeepsModeOwnerAndLinks) {
    const caso_riscrittura casi[] = {
        {"private 0600", 0600, false, false, false, 0, true},
        {"executable 0755", 0755, false, false, false, 0, true},
        {"write-protected 0444", 0444, false, false, false, 1, false},
        {"through a symbolic link", 0640, true, false, false, 0, true},
        {"with a second name", 0644, false, true, false, 1, false},
        {"another user's", 0604, false, false, true, 0, true},
    };
    for (const caso_riscrittura& k : casi) {
        SCOPED_TRACE(k.nome);
        if (k.altro_proprietario && ::geteuid() != 0) continue;
        cartella_temporanea c;
        c.scrivi("Prova_E1-.txt", non_formattato);
        const std::string vero = (c / "Prova_E1-.txt").string();
        ::chmod(vero.c_str(), k.modo);
        if (k.altro_proprietario) {
            ASSERT_EQ(::chown(vero.c_str(), 4321, 4321), 0);
        }
        std::string nome = "Prova_E1-.txt";
        if (k.collegamento_simbolico) {
            std::filesystem::create_symlink("Prova_E1-.txt", c / "Collegato_E1-.txt");
            nome = "Collegato_E1-.txt";
        }
        if (k.collegamento_fisico) std::filesystem::create_hard_link(c / "Prova_E1-.txt", c / "Secondo_E1-.txt");
        const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "fmt " + nome);
        EXPECT_EQ(e.uscita, k.uscita) << e.errori;
        struct stat st {};
        ASSERT_EQ(::stat(vero.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, k.modo);
        if (k.altro_proprietario) {
            EXPECT_EQ(st.st_uid, 4321u);
        }
        const std::string dopo = c.leggi("Prova_E1-.txt");
        EXPECT_EQ(dopo != non_formattato, k.riscritto) << dopo;
        if (k.collegamento_simbolico) {
            EXPECT_TRUE(std::filesystem::is_symlink(c / nome));
        }
        if (k.collegamento_fisico) {
            EXPECT_EQ(c.leggi("Secondo_E1-.txt"), dopo);
            EXPECT_NE(e.errori.find("hard links"), std::string::npos) << e.errori;
        }
        if (k.modo == 0444) {
            EXPECT_NE(e.errori.find("is write-protected"), std::string::npos) << e.errori;
        }
    }
}

// A folder that takes no new file is the cause, even when the file itself could be written: the
// message says so instead of blaming the file.
TEST(FmtInPlace, AReadOnlyFolderIsNamedAsTheCause) {
    cartella_temporanea c;
    std::filesystem::create_directory(c / "ro");
    c.scrivi("ro/Prova_E1-.txt", non_formattato);
    ::chmod((c / "ro/Prova_E1-.txt").c_str(), 0666);
    ::chmod((c / "ro").c_str(), 0555);
    // The superuser writes anywhere: the run takes an ordinary user's rights.
    std::string programma = programma_in_prova(), argomenti = "fmt ro/Prova_E1-.txt";
    if (::geteuid() == 0) {
        if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs setpriv to run as another user";
        programma = "/usr/bin/setpriv";
        argomenti = "--reuid=65534 --regid=65534 --clear-groups '" + std::string(programma_in_prova()) + "' " + argomenti;
    }
    const esecuzione e = avvia_in(c.percorso, programma, argomenti);
    ::chmod((c / "ro").c_str(), 0755);
    EXPECT_EQ(e.uscita, 1) << e.errori;
    EXPECT_EQ(e.errori,
              "cannot lay out ro/Prova_E1-.txt: the folder ro cannot be written (Permission denied); the file is left "
              "as it is\n");
    EXPECT_EQ(c.leggi("ro/Prova_E1-.txt"), non_formattato);
}

// The quoted texts of a description, in order: from a double quote to the next one or to the end
// of its line.
std::vector<std::string> testi_tra_virgolette(const std::string& testo) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < testo.size(); ++i) {
        if (testo[i] != '"') continue;
        std::size_t fine = i + 1;
        while (fine < testo.size() && testo[fine] != '"' && testo[fine] != '\r' && testo[fine] != '\n') ++fine;
        r.push_back(testo.substr(i, fine - i + 1));
        i = fine;
    }
    return r;
}

std::string disposto(lsp::document_kind kind, const std::string& testo) {
    const lsp::document_analysis a = lsp::analyse(kind, testo, nullptr, "");
    return lsp::apply_edits(a.text, lsp::layout_edits(a.text, a.fields));
}

// A line with sign texts and a service with station names, in double quotes that hold commas,
// runs of blanks and tabs, accented letters and numbers, sometimes with a number in front of the
// quote or the quote left open, now and then where a number belongs; blanks and tabs at random
// before and after every comma.
struct coppia_casuale {
    std::string linea, servizio;
};

coppia_casuale genera_con_virgolette(std::uint32_t seme) {
    std::mt19937 g(seme);
    auto tra = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(g); };
    auto spazi = [&] {
        std::string r;
        for (int k = tra(0, 4); k > 0; --k) r += tra(0, 4) == 0 ? '\t' : ' ';
        return r;
    };
    auto virgola = [&] { return (tra(0, 3) == 0 ? spazi() : std::string()) + "," + spazi(); };
    auto citato = [&] {
        static const std::string lettere = "AB Z,,  .()\t09\xE0\xE8";
        std::string r = tra(0, 4) == 0 ? std::to_string(tra(0, 99)) + spazi() : std::string();
        r += '"';
        for (int k = tra(0, 16); k > 0; --k) r += lettere[static_cast<std::size_t>(tra(0, static_cast<int>(lettere.size()) - 1))];
        if (tra(0, 9) != 0) r += '"';  // now and then left open
        return r;
    };
    coppia_casuale c;
    c.linea = "[generale]\r\nlunghezza percorso" + virgola() + "6000\r\n[curve]\r\n[indicazioni]\r\n";
    for (int k = 0, n = tra(1, 4); k < n; ++k)
        c.linea += "cartello_indicatore" + virgola() + std::to_string(450 + 1000 * k) + virgola() + citato() + "\r\n";
    c.linea += "[fine]\r\n";
    c.servizio = "[generale]\r\nvelocita" + virgola() + "0" + virgola() + "60\r\n[stazioni]\r\n";
    for (int k = 0, n = tra(1, 3); k < n; ++k) {
        c.servizio += "stazione" + virgola() + std::to_string(900 + 1500 * k);
        for (const char* campo : {"12", "300", "0", "0", "0", "1", "1", "0", "4", "1", "1", "0", "0", "0", "0"})
            c.servizio += virgola() + (tra(0, 19) == 0 ? citato() : std::string(campo));  // now and then a text for a number
        c.servizio += virgola() + citato() + "\r\n";
    }
    c.servizio += "[fine]\r\n";
    return c;
}

// Laying out never touches a quoted text, changes nothing the reader reads, and a second pass
// changes nothing more.
TEST(FmtQuotedTexts, KeptByteForByteOverRandomLines) {
    int cambiati = 0;
    for (std::uint32_t seme = 1; seme <= 150; ++seme) {
        const coppia_casuale c = genera_con_virgolette(seme);
        const std::string linea = disposto(lsp::document_kind::line, c.linea);
        const std::string servizio = disposto(lsp::document_kind::service, c.servizio);
        for (const auto& [prima, dopo, kind] : {std::tuple{&c.linea, &linea, lsp::document_kind::line},
                                                std::tuple{&c.servizio, &servizio, lsp::document_kind::service}}) {
            EXPECT_EQ(testi_tra_virgolette(*dopo), testi_tra_virgolette(*prima)) << "seed " << seme << "\n" << *prima;
            EXPECT_EQ(disposto(kind, *dopo), *dopo) << "seed " << seme << "\n" << *prima;
            if (*dopo != *prima) ++cambiati;
        }
        const file_compilati prima = compila_e_serializza(c.linea, c.servizio);
        const file_compilati dopo = compila_e_serializza(linea, servizio);
        EXPECT_TRUE(prima.linea == dopo.linea && prima.servizio == dopo.servizio && prima.percorso == dopo.percorso &&
                    prima.stato == dopo.stato)
            << "seed " << seme << "\n" << c.linea << c.servizio;
    }
    EXPECT_GT(cambiati, 100);  // the property is about texts that fmt does change
}

// The command gives the very bytes of the layout above, in place, and a second run is a no-op.
TEST(FmtQuotedTexts, TheCommandWritesTheSameBytes) {
    cartella_temporanea c;
    std::string nomi;
    std::vector<std::pair<std::string, std::string>> attesi;
    for (std::uint32_t seme = 1; seme <= 6; ++seme) {
        const coppia_casuale k = genera_con_virgolette(seme);
        const std::string linea = "P" + std::to_string(seme) + "_linea.txt", servizio = "P" + std::to_string(seme) + "_E1-.txt";
        c.scrivi(linea, k.linea);
        c.scrivi(servizio, k.servizio);
        nomi += " " + linea + " " + servizio;
        attesi.emplace_back(linea, disposto(lsp::document_kind::line, k.linea));
        attesi.emplace_back(servizio, disposto(lsp::document_kind::service, k.servizio));
    }
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "fmt -q" + nomi);
    EXPECT_EQ(e.uscita, 0) << e.errori;
    for (const auto& [nome, atteso] : attesi) EXPECT_EQ(c.leggi(nome), atteso) << nome;
    EXPECT_EQ(avvia_in(c.percorso, programma_in_prova(), "fmt --check" + nomi).uscita, 0);
}

}  // namespace
