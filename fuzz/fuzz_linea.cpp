// A mutated line description compiled with the embedded service.
#include <cstddef>
#include <cstdint>

#include "harness/compila_in_memoria.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string linea(reinterpret_cast<const char*>(data), size);
    const bool piano = chiede_piano(linea);
    compila_in_memoria(linea, servizio_incorporato(), piano);
    return 0;
}
