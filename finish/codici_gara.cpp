#include "finish/codici_gara.hpp"

std::int32_t codice_gara_st(const stato_build&) { return 0; }
std::int32_t codice_gara_og(const stato_build&) { return 0; }
std::int32_t applica_timbri(stato_build&) { return 0; }
