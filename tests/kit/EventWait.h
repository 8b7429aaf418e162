#pragma once

#include <functional>

// Runs the application's event loop (timers, port notifiers, windows) for the
// given time.
void processEventsFor(int ms);

// Runs the event loop until the condition holds or the time is up; returns
// whether it held.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 3000);
