#pragma once

#include <functional>

class QWidget;

// Acts on the next modal window as soon as it is open: `act` gets the window
// and should close it (click a button). Used to drive real dialogs that run
// their own event loop. If no modal window opens within the deadline the
// action is dropped and the test fails on its own expectations.
void whenModalOpens(std::function<void(QWidget*)> act, int timeoutMs = 10000);
