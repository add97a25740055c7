// What every fuzz target shares: the libFuzzer entry points, and a check
// that stops the process loudly in every build type (assert would vanish
// from the optimised replay programs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

#define FUZZ_CHECK(cond, detail)                                                                            \
    do {                                                                                                   \
        if (!(cond)) {                                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__, #cond,              \
                         std::string(detail).c_str());                                                    \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (0)
