#include "net/custom_line_wsocket.h"

// First cut: the line-mode properties exist; data passes straight through
// until line delivery is added.

TCustomLineWSocket::TCustomLineWSocket() = default;

void TCustomLineWSocket::SetLineMode(bool value) { FLineMode = value; }
int TCustomLineWSocket::RcvdCount() { return TCustomSocksWSocket::RcvdCount(); }
void TCustomLineWSocket::HandleMessage(const TSocketMessage& message) { TCustomSocksWSocket::HandleMessage(message); }
int TCustomLineWSocket::RecvRaw(void* buffer, int length, int flags) { return TCustomSocksWSocket::RecvRaw(buffer, length, flags); }
bool TCustomLineWSocket::TriggerDataAvailable(std::uint16_t error) { return TCustomSocksWSocket::TriggerDataAvailable(error); }
void TCustomLineWSocket::TriggerSessionClosed(std::uint16_t error) { TCustomSocksWSocket::TriggerSessionClosed(error); }
int TCustomLineWSocket::EditLine(int newBytes) { return newBytes; }
