// A mutated service description compiled with the embedded line.
#include <cstddef>
#include <cstdint>

#include "harness/compila_in_memoria.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string servizio(reinterpret_cast<const char*>(data), size);
    const bool piano = chiede_piano(servizio);
    compila_in_memoria(linea_incorporata(), servizio, piano);
    return 0;
}
