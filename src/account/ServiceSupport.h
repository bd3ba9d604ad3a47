#pragma once

#include "platform/Detached.h"

#include <utility>

namespace virel {

// Stores `value` in `member`; true when that changed it, so the change signal is sent only then.
template <typename T> bool assignIfChanged(T& member, T value)
{
    if (member == value) {
        return false;
    }
    member = std::move(value);
    return true;
}

} // namespace virel
