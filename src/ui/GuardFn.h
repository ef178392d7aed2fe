#pragma once
#include <functional>

// Runs work under the window's failure handler; false when it failed.
using GuardFn = std::function<bool(const std::function<void()> &)>;
