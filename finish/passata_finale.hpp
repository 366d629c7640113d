// The finishing pass: speed boards around slowdowns.
#pragma once

#include <cstdint>

#include "core/registri.hpp"

void passata_finale(stato_build& s);

// y when x > y, otherwise x.
std::int16_t minimo(std::int16_t x, std::int16_t y);
