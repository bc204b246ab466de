#pragma once

// Process-wide bookkeeping of live socket components. The first one that
// comes to life prepares the process for socket use (a write to a socket
// whose peer is gone must come back as an error, not kill the process with
// SIGPIPE); the last one that goes away undoes what needs undoing.
namespace SocketLibrary {

void Acquire();
void Release();
int LiveSocketCount();

}  // namespace SocketLibrary
