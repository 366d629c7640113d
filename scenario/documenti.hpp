// The three companion documents for the driver.
#pragma once

#include "core/registri.hpp"
#include "core/documento.hpp"

lista_righe righe_note(const stato_build& s);
lista_righe righe_rallentamenti(const stato_build& s);
lista_righe righe_scheda(const stato_build& s);
