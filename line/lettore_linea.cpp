#include "line/lettore_linea.hpp"

bool leggi_linea(stato_build&, lettore_campi&, std::int32_t&) { return true; }
