#pragma once
// A failed property in a fuzz target aborts, which libFuzzer records as a
// crash with its input and the replay runner reports as a failed test.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                        \
    do {                                                                                        \
        if (!(cond)) {                                                                          \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond);    \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)
