// dump on arbitrary bytes, as each of the three kinds of file.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "driver/dump.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the kind and the format; the rest is the file.
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const char* names[] = {"x_linea.dat", "x_E1.sim", "x_E1.dat"};
    std::ostringstream out;
    std::string error;
    dump_bytes(names[data[0] % 3], bytes, (data[0] & 4) ? dump_format::json : dump_format::text, out, error);
    return 0;
}
