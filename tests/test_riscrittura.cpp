// fmt rewrites the author's file in place as a careful editor does: mode, owner and link kept,
// write-protected and hard-linked files left as they are, quoted texts untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/avvia_programma.hpp"
#include "tests/cartella_temporanea.hpp"

namespace {

// A service line whose commas carry three blanks where the layout wants others.
const std::string non_formattato = "[generale]\r\nnumero vetture,   7\r\n[fine]\r\n";

struct caso {
    const char* nome;
    mode_t modo;
    bool collegamento_simbolico;
    bool collegamento_fisico;
    bool altro_proprietario;
    int uscita;
    bool riscritto;
};

TEST(FmtInPlace, KeepsModeOwnerAndLinks) {
    const caso casi[] = {
        {"private 0600", 0600, false, false, false, 0, true},
        {"executable 0755", 0755, false, false, false, 0, true},
        {"write-protected 0444", 0444, false, false, false, 1, false},
        {"through a symbolic link", 0640, true, false, false, 0, true},
        {"with a second name", 0644, false, true, false, 1, false},
        {"another user's", 0604, false, false, true, 0, true},
    };
    for (const caso& k : casi) {
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
        const esecuzione e = avvia_in(c.percorso, GENERA_SCENARIO_EXE, "fmt " + nome);
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
    std::string programma = GENERA_SCENARIO_EXE, argomenti = "fmt ro/Prova_E1-.txt";
    if (::geteuid() == 0) {
        if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs setpriv to run as another user";
        programma = "/usr/bin/setpriv";
        argomenti = "--reuid=65534 --regid=65534 --clear-groups '" + std::string(GENERA_SCENARIO_EXE) + "' " + argomenti;
    }
    const esecuzione e = avvia_in(c.percorso, programma, argomenti);
    ::chmod((c / "ro").c_str(), 0755);
    EXPECT_EQ(e.uscita, 1) << e.errori;
    EXPECT_EQ(e.errori,
              "cannot lay out ro/Prova_E1-.txt: the folder ro cannot be written (Permission denied); the file is left "
              "as it is\n");
    EXPECT_EQ(c.leggi("ro/Prova_E1-.txt"), non_formattato);
}

}  // namespace
