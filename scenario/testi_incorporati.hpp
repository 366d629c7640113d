// The bytes of examples/Sorvanta_linea.txt and examples/Sorvanta_E48027-.txt, built into the
// program (the build generates their definitions from the files): the examples an author
// reads are the very descriptions the plain build writes.
#pragma once

#include <string_view>

std::string_view testo_esempio_linea();
std::string_view testo_esempio_treno();
