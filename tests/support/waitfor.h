#pragma once

#include <functional>

// Runs the event loop until `condition` holds or `ms` pass; whether it held.
bool WaitFor(const std::function<bool()>& condition, int ms = 5000);
