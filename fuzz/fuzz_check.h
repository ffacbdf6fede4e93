// What every fuzz target shares: a property check that aborts (libFuzzer
// reports the input as a finding) and says which property failed.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "property violated at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (0)
