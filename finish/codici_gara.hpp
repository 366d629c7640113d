// The two check codes and the stamping step.
#pragma once

#include <cstdint>
#include <string>

#include "core/registri.hpp"

std::int32_t codice_gara_st(const stato_build& s);
std::int32_t codice_gara_og(const stato_build& s);

// Guards and stamps, in their order. Returns 0, or the fatal error number (1250 or 1251)
// that the caller reports through errore; the records are then left as the guard found them.
std::int32_t applica_timbri(stato_build& s);
