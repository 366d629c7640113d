#include "service/lettore_servizio.hpp"

void leggi_servizio(stato_build&, lettore_campi&, std::int32_t) {}
