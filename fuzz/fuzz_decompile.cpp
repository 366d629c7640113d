// decompile on arbitrary bytes as the three compiled files: it ends with a message, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness/decompila_in_memoria.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    decompila_in_memoria(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
