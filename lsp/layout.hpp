// The one canonical layout of both descriptions: the blanks the built-in files put after each
// comma. Formatting changes nothing but those blanks (and blanks in front of a line's keyword),
// which the reader skips, so it never changes what a file means.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diagnostica.hpp"

namespace lsp {

// Replace `length` bytes at `offset` (all blanks) with `blanks` spaces.
struct blank_edit {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::size_t blanks = 0;
};

// The blanks after the comma that comes before field `index` (1-based) of the entry named as in
// the table of entries, for a value of `value_length` bytes; -1 where the layout says nothing.
int blanks_before_field(std::string_view entry, int index, std::size_t value_length);

// The edits that bring `text` to the canonical layout, in increasing order of offset, given the
// fields the engine read from it.
std::vector<blank_edit> layout_edits(std::string_view text, const std::vector<campo_letto>& fields);

std::string apply_edits(std::string_view text, const std::vector<blank_edit>& edits);

}  // namespace lsp
