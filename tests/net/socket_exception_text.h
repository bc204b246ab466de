#pragma once

#include "net/socket_errors.h"

#include <string>

// The text of the ESocketException that f raises, or "(nothing thrown)":
// misuse is reported by raising, and the tests compare the exact texts.
template <typename F>
std::string thrownText(F&& f)
{
    try {
        f();
    } catch (const ESocketException& e) {
        return e.what();
    }
    return "(nothing thrown)";
}
