// dump on arbitrary bytes, as each of the three kinds of file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness/compila_in_memoria.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dump_in_memoria(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
