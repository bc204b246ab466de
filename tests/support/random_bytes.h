#pragma once

#include <cstddef>
#include <string>

// `size` bytes of every value, the same for the same seed: file contents
// that show any byte lost, added or changed in a transfer.
std::string randomBytes(std::size_t size, unsigned seed);
