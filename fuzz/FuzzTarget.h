#pragma once
// Every fuzz target defines the libFuzzer entry point below. Built with
// -fsanitize=fuzzer it is driven by libFuzzer; built plainly it is linked
// with ReplayMain.cpp, which feeds it the target's seed corpus as a test.
// A target reports a broken promise through FUZZ_CHECK, which aborts so
// that both drivers see a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)
