#pragma once

#include <functional>

// Runs the event loop until the condition holds or the deadline passes.
// Returns whether the condition held. Tests wait this way, never with a
// fixed sleep, so they are as fast as the code allows and still bounded.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Lets pending events run for about the given time (for "nothing else
// happens" checks, where there is no condition to wait for).
void pumpEventsFor(int milliseconds);
