// A picture of a compiled scenario: the track plan and the profiles along the line, as one
// self-contained SVG page.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/registri.hpp"
#include "format/file_binari.hpp"
#include "format/lettura_piano.hpp"

// The files as checked for drawing. The plan is read in place from its bytes, which must
// outlive this record.
struct scenario_to_plot {
    std::string title;  // the scenario identifier, UTF-8
    bool has_plan = false;
    piano_in_file plan;
    std::array<slot_servizio, n_slot> slots{};
    std::vector<cella> route;
};

// A file's name (for messages) and its bytes.
struct named_bytes {
    std::string name;
    std::string bytes;
};

// Checks the files and that they belong together: the route and the plan must have the sizes
// that the slot file's line length gives, and every plan value must be a finite number of
// metres that moves from the point before by no more than tracing can step. Returns false with
// the reason, naming the file.
bool prepare_plot(const named_bytes* plan, const named_bytes& slots, const named_bytes& route, const std::string& title,
                  scenario_to_plot& s, std::string& error);

// Metres along the line where the picture draws the object of kind `t` in route cell k: by the
// rule that placed it there (the metre its cell stands for), the rest at the start of the cell's
// own 50 m. dump lists the same metre within its range for the cell.
double item_position(std::size_t k, std::uint8_t t);

// The page is 1280 px wide, to fit a common window.
inline constexpr double page_width = 1280;

std::string plot_svg(const scenario_to_plot& s);

// Draws a scenario compiled in memory, before its files are written, from the very bytes they
// will hold (the plan only when the build makes one); false with the reason, naming the file.
bool plot_build(const stato_build& s, const std::string& title, std::string& svg, std::string& error);

// Reads the files and writes the SVG; returns the exit status (1 with a message on a missing,
// malformed or mismatched file or an unwritable output).
int plot_files(const std::string& plan, const std::string& slots, const std::string& route, const std::string& title,
               const std::string& output);
