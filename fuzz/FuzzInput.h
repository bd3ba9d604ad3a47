#pragma once

#include <QByteArray>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// What every fuzz target shares: the input as the body of an answer, and a check that stops the run
// (as a crash libFuzzer records) when a decoder breaks a promise of its interface.
namespace virel::fuzz {

inline QByteArray body(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline void require(bool promise)
{
    if (!promise) {
        std::abort();
    }
}

inline bool finite(double value)
{
    return std::isfinite(value);
}

} // namespace virel::fuzz
