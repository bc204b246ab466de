#pragma once

#include <string_view>

// File-name patterns as users of this program type them: '*' matches any
// run of characters (also none), '?' exactly one character, letters match
// without regard to case (ASCII letters; other bytes must be equal).
//
// Two rules users rely on from other systems: "*.*" matches every name,
// with or without a dot, and more generally a pattern ending in ".*" also
// matches a name without any dot when the rest of the pattern matches it
// ("readme.*" matches "readme").
bool wildcardMatch(std::string_view pattern, std::string_view name);
