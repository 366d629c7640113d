// The embedded line description of the scenario: examples/Sorvanta_linea.txt, built in.
#pragma once

#include "core/documento.hpp"

lista_righe righe_linea();
