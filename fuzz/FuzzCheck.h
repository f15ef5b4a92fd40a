#pragma once

// What every fuzz target shares: its input as bytes, and a check that stops the run when a
// property breaks, so that libFuzzer reports the input that broke it.

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzPropertyBroken(const char *property, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
    std::abort();
}

#define FUZZ_CHECK(property)                                                                       \
    ((property) ? void() : fuzzPropertyBroken(#property, __FILE__, __LINE__))

inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}
