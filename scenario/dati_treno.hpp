// The embedded service description of the scenario: examples/Sorvanta_E48027-.txt, built in.
#pragma once

#include "core/documento.hpp"

lista_righe righe_treno();
