#include "lsp/layout.hpp"

#include <algorithm>

namespace lsp {

namespace {

// Blanks after a comma: max(gap, width - length of the value), so short values are
// right-aligned in `width` columns and longer ones keep `gap` blanks.
struct column {
    int gap;
    int width;
};

struct entry_layout {
    const char* entry;
    std::vector<column> columns;
};

// Taken from the built-in files, entry by entry: what most of their lines of each kind do.
const std::vector<entry_layout>& layouts() {
    static const std::vector<entry_layout> table = {
        {"lunghezza percorso", {{4, 0}}},
        {"progressiva chilometrica tre", {{4, 0}, {4, 0}, {4, 0}}},
        {"progressiva chilometrica due", {{4, 0}, {4, 0}, {4, 0}}},
        {"progressiva chilometrica uno", {{4, 0}, {4, 0}, {4, 0}}},
        {"sfondo uno", {{4, 0}}},
        {"sfondo due", {{4, 0}}},
        {"sfondo tre", {{4, 0}}},
        {"ripetizione segnali 4 codici", {{4, 0}, {4, 0}}},
        {"pendenza", {{2, 0}, {3, 0}}},
        {"curvas6", {{2, 0}, {2, 0}}},
        {"montagna", {{2, 0}, {2, 0}, {2, 0}}},
        {"indicatori_vmax", {{2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}}},
        {"cartello_indicatore", {{2, 0}, {3, 0}}},
        {"percentuale massa frenata", {{4, 0}}},
        {"numero vetture", {{4, 0}}},
        {"velocita", {{1, 8}, {1, 6}}},
        {"aderenza", {{3, 0}, {4, 0}}},
        {"orologio", {{4, 0}, {4, 0}, {4, 0}}},
        {"sabbia", {{4, 0}}},
        {"segnale", {{1, 8}, {1, 4}, {1, 2}, {1, 2}, {1, 3}, {1, 2}, {1, 5}, {1, 3}, {0, 1}, {0, 1}, {1, 2}}},
        {"rallentamento", {{2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}}},
        {"abbattimento", {{2, 0}, {2, 0}}},
        {"stazione", {{1, 8}, {1, 3}, {1, 5}, {1, 3}, {1, 2}, {1, 2}, {1, 3}, {0, 1}, {0, 1}, {1, 3}, {0, 1}, {0, 1},
                      {1, 5}, {1, 4}, {0, 2}, {1, 2}, {1, 0}}},
    };
    return table;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

// A keyword or a section header starts its line: the blanks in front of it, which the reader
// skips, go.
void strip_indent(std::string_view text, std::size_t start, std::vector<blank_edit>& edits) {
    std::size_t line_start = std::min(start, text.size());
    while (line_start > 0 && blank(text[line_start - 1])) --line_start;
    if (line_start < start && (line_start == 0 || text[line_start - 1] == '\n' || text[line_start - 1] == '\r'))
        edits.push_back({line_start, start - line_start, 0});
}

}  // namespace

int blanks_before_field(std::string_view entry, int index, std::size_t value_length) {
    for (const entry_layout& l : layouts()) {
        if (entry != l.entry) continue;
        if (index < 1 || static_cast<std::size_t>(index) > l.columns.size()) return -1;
        const column c = l.columns[static_cast<std::size_t>(index - 1)];
        const std::ptrdiff_t padding = static_cast<std::ptrdiff_t>(c.width) - static_cast<std::ptrdiff_t>(value_length);
        return static_cast<int>(std::max<std::ptrdiff_t>(c.gap, padding));
    }
    return -1;
}

namespace {

// For each byte of the text, whether it stands inside a quoted text: from a double quote to the
// next one or to the end of its line. Nothing there is laid out, whatever the fields read.
std::vector<bool> quoted_bytes(std::string_view text) {
    std::vector<bool> quoted(text.size(), false);
    bool inside = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            inside = false;
            continue;
        }
        if (c == '"') {
            quoted[i] = true;
            inside = !inside;
            continue;
        }
        quoted[i] = inside;
    }
    return quoted;
}

bool line_end_at(std::string_view text, std::size_t at) {
    return at >= text.size() || text[at] == '\n' || text[at] == '\r';
}

}  // namespace

std::vector<blank_edit> layout_edits(std::string_view text, const std::vector<campo_letto>& fields) {
    std::vector<blank_edit> edits;
    const std::vector<bool> quoted = quoted_bytes(text);
    // Where each field really ends: an empty field ends where the blanks after its comma do.
    std::vector<std::size_t> ends(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const campo_letto& f = fields[i];
        ends[i] = std::min<std::size_t>(f.fine, text.size());
        if (f.indice == 0 && e_intestazione(valore_di(f, text))) strip_indent(text, f.inizio, edits);
        if (i == 0 || f.indice < 1 || parola_chiave_di(f).empty()) continue;
        const campo_letto& before = fields[i - 1];
        if (before.indice != f.indice - 1 || before.riga != f.riga) continue;
        // Only a gap that is one comma and blanks is laid out: blanks in front of a comma, or
        // numbers parted by blanks alone, are left as written.
        const std::size_t comma = ends[i - 1];
        if (comma >= text.size() || text[comma] != ',' || quoted[comma]) continue;
        const std::size_t from = comma + 1;
        std::size_t to = from;
        while (to < text.size() && blank(text[to])) ++to;
        const bool empty = f.inizio == f.fine;
        if (empty ? (f.inizio < from || f.inizio > to) : f.inizio != to) continue;
        if (empty) ends[i] = to;
        // An empty field at the end of its line takes no blanks: none are left trailing.
        const int blanks = empty && line_end_at(text, to)
                               ? 0
                               : blanks_before_field(parola_chiave_di(f), f.indice, empty ? 0 : f.fine - f.inizio);
        if (blanks < 0) continue;
        if (before.indice == 0) strip_indent(text, before.inizio, edits);
        const bool spaces = std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                                        text.begin() + static_cast<std::ptrdiff_t>(to), [](char c) { return c == ' '; });
        if (to - from != static_cast<std::size_t>(blanks) || !spaces)
            edits.push_back({from, to - from, static_cast<std::size_t>(blanks)});
    }
    std::sort(edits.begin(), edits.end(), [](const blank_edit& a, const blank_edit& b) { return a.offset < b.offset; });
    return edits;
}

std::string apply_edits(std::string_view text, const std::vector<blank_edit>& edits) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (const blank_edit& e : edits) {
        out.append(text.substr(at, e.offset - at));
        out.append(e.blanks, ' ');
        at = e.offset + e.length;
    }
    out.append(text.substr(at));
    return out;
}

}  // namespace lsp
