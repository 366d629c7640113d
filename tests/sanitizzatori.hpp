// Whether this test program runs under the sanitizers: there every run costs several times
// more, and the long sweeps are shorter (the plain build runs them in full).
#pragma once

inline bool con_sanitizzatori() {
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
