// The built files byte for byte: the six files of the no-argument build and the three that
// `compile` makes from the examples, each against its reference in tests/golden. Each build runs
// once per test process, in a folder of its own that the cases only read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "tests/ambiente.hpp"
#include "tests/leggi_file.hpp"

namespace {

enum class build_kind { plain, compile };

struct golden_case {
    build_kind kind;
    const char* file;
};

std::string kind_name(build_kind k) { return k == build_kind::plain ? "plain" : "compile"; }

void PrintTo(const golden_case& c, std::ostream* os) { *os << kind_name(c.kind) << "/" << c.file; }

// The program's own copy in the plain build's folder: not one of the files it builds.
constexpr const char* program_copy = "genera_scenario";

// Builds into `c`: the program started with no arguments from a folder of its own, or
// `compile` on the examples. Empty when it ended with status 0, otherwise what it said.
std::string build(build_kind kind, const cartella_temporanea& c) {
    const std::string examples = std::string(GS_SOURCE_DIR) + "/examples/";
    esecuzione e;
    if (kind == build_kind::plain) {
        std::filesystem::copy_file(programma_in_prova(), c / program_copy);
        e = avvia_in("/", (c / program_copy).string(), "");
    } else {
        e = avvia_in(c.percorso, programma_in_prova(),
                     "compile '" + examples + "Sorvanta_linea.txt' '" + examples + "Sorvanta_E48027-.txt'");
    }
    if (e.uscita == 0) return "";
    return kind_name(kind) + " build ended with status " + std::to_string(e.uscita) + ": " + e.errori;
}

// The folder of each build, made on first use and removed when the test process ends. A death
// test's child that ends through exit() runs this destructor too: only the process that made
// the folder removes it, or the cases after the death test would find it gone.
struct built_folder {
    std::unique_ptr<cartella_temporanea> folder;
    std::string failure;  // empty when the build succeeded
    pid_t owner = ::getpid();

    built_folder() = default;
    built_folder(const built_folder&) = delete;
    built_folder& operator=(const built_folder&) = delete;
    ~built_folder() {
        if (folder && ::getpid() != owner) folder->percorso.clear();  // nothing to remove
    }
};

class GoldenBuilds {
public:
    static const built_folder& of(build_kind kind) {
        built_folder& b = kind == build_kind::plain ? plain() : compiled();
        if (!b.folder) {
            b.folder = std::make_unique<cartella_temporanea>();
            b.failure = build(kind, *b.folder);
        }
        return b;
    }

private:
    static built_folder& plain() {
        static built_folder b;
        return b;
    }
    static built_folder& compiled() {
        static built_folder b;
        return b;
    }
};

// Empty when the bytes are equal; otherwise where they first differ.
std::string first_difference(const std::string& built, const std::string& reference) {
    const std::size_t common = std::min(built.size(), reference.size());
    const auto diff = std::mismatch(built.begin(), built.begin() + static_cast<std::ptrdiff_t>(common),
                                    reference.begin());
    const std::size_t offset = static_cast<std::size_t>(diff.first - built.begin());
    if (offset == common && built.size() == reference.size()) return "";
    char bytes[64] = "";
    if (offset < common)
        std::snprintf(bytes, sizeof bytes, " (built 0x%02X, reference 0x%02X)",
                      static_cast<unsigned char>(built[offset]), static_cast<unsigned char>(reference[offset]));
    return "first differs at offset " + std::to_string(offset) + bytes + "; built " + std::to_string(built.size()) +
           " bytes, reference " + std::to_string(reference.size());
}

class GoldenFiles : public ::testing::TestWithParam<golden_case> {};

TEST_P(GoldenFiles, MatchTheReferenceByteForByte) {
    const golden_case& g = GetParam();
    const std::filesystem::path reference_path =
        std::filesystem::path(GS_SOURCE_DIR) / "tests" / "golden" / kind_name(g.kind) / g.file;
    ASSERT_TRUE(std::filesystem::is_regular_file(reference_path)) << "no reference " << reference_path;
    const built_folder& b = GoldenBuilds::of(g.kind);
    ASSERT_EQ(b.failure, "");
    const cartella_temporanea& c = *b.folder;
    ASSERT_TRUE(c.esiste(g.file)) << kind_name(g.kind) << " build wrote no " << g.file;
    const std::string difference = first_difference(c.leggi(g.file), leggi_file(reference_path));
    EXPECT_EQ(difference, "") << kind_name(g.kind) << " build: " << g.file << " " << difference;
}

INSTANTIATE_TEST_SUITE_P(
    Builds, GoldenFiles,
    ::testing::Values(golden_case{build_kind::plain, "Sorvanta_linea.dat"},
                      golden_case{build_kind::plain, "Sorvanta_E48027.sim"},
                      golden_case{build_kind::plain, "Sorvanta_E48027.dat"},
                      golden_case{build_kind::plain, "Sorvanta_E48027_note.txt"},
                      golden_case{build_kind::plain, "Sorvanta_E48027_rallentamenti.txt"},
                      golden_case{build_kind::plain, "Sorvanta_E48027_scheda_treno.txt"},
                      golden_case{build_kind::compile, "Sorvanta_linea.dat"},
                      golden_case{build_kind::compile, "Sorvanta_E48027.sim"},
                      golden_case{build_kind::compile, "Sorvanta_E48027.dat"}),
    [](const ::testing::TestParamInfo<golden_case>& row) {
        std::string name = kind_name(row.param.kind) + "_" + row.param.file;
        std::replace(name.begin(), name.end(), '.', '_');
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// Nothing else is written: the descriptions are deleted once read, and compile writes only
// the three binary files.
TEST(GoldenFiles, NoOtherFileIsLeft) {
    for (build_kind kind : {build_kind::plain, build_kind::compile}) {
        const built_folder& b = GoldenBuilds::of(kind);
        ASSERT_EQ(b.failure, "");
        std::size_t files = 0;
        for (const auto& f : std::filesystem::directory_iterator(b.folder->percorso)) {
            if (kind == build_kind::plain && f.path().filename() == program_copy) continue;
            ++files;
            EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(GS_SOURCE_DIR) / "tests" / "golden" /
                                                kind_name(kind) / f.path().filename()))
                << kind_name(kind) << " build left " << f.path().filename();
        }
        EXPECT_EQ(files, kind == build_kind::plain ? 6u : 3u) << kind_name(kind);
    }
}

}  // namespace
