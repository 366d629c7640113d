#include "diagnostics/scritto.hpp"

void scritto_voce(stato_scritto& s, const voce_scritta& v) {
    (void)s;
    (void)v;
}

void scritto_intestazione(stato_scritto& s, quale_file f, std::string_view campo, std::size_t inizio, int riga) {
    (void)s;
    (void)f;
    (void)campo;
    (void)inizio;
    (void)riga;
}

void scritto_fine(stato_scritto& s, const stato_build& b, std::size_t fermo_linea, std::size_t fermo_servizio,
                  const std::string* linea, const std::string* servizio) {
    (void)s;
    (void)b;
    (void)fermo_linea;
    (void)fermo_servizio;
    (void)linea;
    (void)servizio;
}
