#pragma once

// The password sent for a log-in whose password field is empty, and the one
// the built-in anonymous sites carry: servers that take anonymous log-ins
// ask for an e-mail address here.
inline constexpr const char* kPlaceholderEmailPassword = "tavlinftp@example.com";
