#pragma once

#include <functional>

// The deadline for what must come: generous, so that only a fault outlasts it on a slow machine.
constexpr int kMustComeMs = 20000;

// Runs the event loop until `condition` holds or `ms` pass; whether it held.
bool WaitFor(const std::function<bool()>& condition, int ms = 5000);
