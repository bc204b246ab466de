#pragma once

#include "net/custom_sync_wsocket.h"

// The socket class the program instantiates.
class TWSocket : public TCustomSyncWSocket {
public:
    TWSocket() = default;
};
