#pragma once
#include "base/Failure.h"

#include <QString>

#include <functional>

// The message of the Failure the operation throws; empty when it succeeds.
inline QString FailureOf(const std::function<void()> &op)
{
    try {
        op();
    } catch (const Failure &f) {
        return f.message();
    }
    return QString();
}
