// plot on arbitrary files, and on hostile values inside well-formed files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness/compila_in_memoria.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plot_in_memoria(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
