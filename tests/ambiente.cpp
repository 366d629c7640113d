// Compiled by each build folder with its own flags and its own program's place; see ambiente.hpp.
#include "tests/ambiente.hpp"

const char* programma_in_prova() { return GENERA_SCENARIO_EXE; }

bool con_sanitizzatori() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}
