// A picture of a compiled scenario: the track plan and the profiles along the line, as one
// self-contained SVG page.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "format/file_binari.hpp"
#include "format/lettura_piano.hpp"
#include "core/registri.hpp"

struct scenario_to_plot {
    std::string title;                // the scenario identifier, UTF-8
    bool has_plan = false;
    std::vector<elemento_linea> x, y;  // the plan, when there is one
    std::array<slot_servizio, n_slot> slots{};
    std::vector<cella> route;
};

// Geometry of the plan panel, kept in the page so that a reader can map metres to pixels.
inline constexpr double page_width = 1600;

std::string plot_svg(const scenario_to_plot& s);

// Reads the files and writes the SVG; returns the exit status (1 with a message on a missing
// or malformed file or an unwritable output).
int plot_files(const std::string& plan, const std::string& slots, const std::string& route, const std::string& title,
               const std::string& output);
