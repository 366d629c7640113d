#include "finish/passata_finale.hpp"

void passata_finale(stato_build&) {}

std::int16_t minimo(std::int16_t x, std::int16_t y) { return x > y ? y : x; }
