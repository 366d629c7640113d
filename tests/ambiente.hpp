// What the test program knows of its own build, answered by tests/ambiente.cpp, which each build
// folder compiles itself: the test code that asks may have been compiled by another build folder.
#pragma once

// The program the cases run, as the build folder made it.
const char* programma_in_prova();

// Whether the code under test runs under the sanitizers: there every run costs several times
// more, and the long sweeps are shorter (the plain build runs them in full).
bool con_sanitizzatori();
