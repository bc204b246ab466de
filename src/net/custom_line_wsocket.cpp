#include "net/custom_line_wsocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

TCustomLineWSocket::TCustomLineWSocket() = default;

void TCustomLineWSocket::ResetProperties()
{
    TCustomSocksWSocket::ResetProperties();
    FRcvdPtr.clear();
    FRcvdOff = 0;
    FLineLength = 0;
}

void TCustomLineWSocket::SetLineMode(bool value)
{
    if (FLineMode == value)
        return;
    FLineMode = value;
    // Bytes already buffered are handed out again under the new setting,
    // later from the loop, since no new data may come to trigger it.
    if (Buffered() > 0)
        PostUserMessage(WM_LINE_MODE_DELIVERY);
}

void TCustomLineWSocket::HandleMessage(const TSocketMessage& message)
{
    if (message.Msg != WM_LINE_MODE_DELIVERY) {
        TCustomSocksWSocket::HandleMessage(message);
        return;
    }
    if (Buffered() == 0 || FDelivering)
        return;
    if (FLineMode && !FLineEnd.empty())
        DeliverLines(0);
    else
        DeliverBufferedWithoutLineMode();
}

int TCustomLineWSocket::RcvdCount()
{
    if (FLineMode && FLineLength > 0)
        return FLineLength;
    if (!FLineMode)
        // Buffered bytes are served first; counting them keeps ReceiveStr
        // from coming back empty while they wait.
        return static_cast<int>(Buffered()) + TCustomSocksWSocket::RcvdCount();
    return TCustomSocksWSocket::RcvdCount();
}

int TCustomLineWSocket::RecvRaw(void* buffer, int length, int flags)
{
    if (FLineMode && FLineLength > 0) {
        const int count = std::min(std::max(0, length), FLineLength);
        std::memcpy(buffer, FRcvdPtr.data() + FRcvdOff, static_cast<std::size_t>(count));
        FRcvdOff += static_cast<std::size_t>(count);
        FLineLength -= count;
        return count;
    }
    if (!FLineMode && Buffered() > 0) {
        const int count = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(0, length)), Buffered()));
        std::memcpy(buffer, FRcvdPtr.data() + FRcvdOff, static_cast<std::size_t>(count));
        FRcvdOff += static_cast<std::size_t>(count);
        if (!FDelivering)
            CompactBuffer();
        return count;
    }
    return TCustomSocksWSocket::RecvRaw(buffer, length, flags);
}

bool TCustomLineWSocket::TriggerDataAvailable(std::uint16_t error)
{
    if (!FLineMode || FLineEnd.empty() || SocksNegotiating())
        return TCustomSocksWSocket::TriggerDataAvailable(error);

    const int waiting = TCustomSocksWSocket::RcvdCount();
    if (waiting <= 0)
        return true;
    const std::size_t oldUsed = Buffered();
    const std::size_t oldSize = FRcvdPtr.size();
    FRcvdPtr.resize(oldSize + static_cast<std::size_t>(waiting));
    const int count = TCustomSocksWSocket::RecvRaw(FRcvdPtr.data() + oldSize, waiting, 0);
    if (count <= 0) {
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            FLastError = ReceiveErrorCode();
        FRcvdPtr.resize(oldSize);
        return true;
    }
    FRcvdPtr.resize(oldSize + static_cast<std::size_t>(count));

    std::size_t searchFrom = oldUsed > FLineEnd.size() ? oldUsed - FLineEnd.size() : 0;
    if (FLineEdit) {
        EditLine(count);
        searchFrom = 0;   // editing may have removed bytes before the new ones
    } else if (FLineEcho) {
        SendStr(FRcvdPtr.substr(oldSize));
    }
    // A handler that runs the event loop while it reads a line may bring
    // more data here; the running delivery picks it up.
    if (!FDelivering)
        DeliverLines(searchFrom);
    return true;
}

void TCustomLineWSocket::DeliverLines(std::size_t searchFrom)
{
    FDelivering = true;
    std::size_t start = FRcvdOff + searchFrom;
    while (FLineMode && !FLineEnd.empty()) {
        const std::size_t end = FRcvdPtr.find(FLineEnd, start);
        if (end == std::string::npos)
            break;
        FLineLength = static_cast<int>(end + FLineEnd.size() - FRcvdOff);
        DeliverCurrentLine();
        if (FLineLength > 0) {
            // Line mode went off while the line was read: its rest stays at
            // the front of the buffer for plain reads.
            FLineLength = 0;
            break;
        }
        start = FRcvdOff;
    }
    FDelivering = false;
    CompactBuffer();
}

void TCustomLineWSocket::DeliverCurrentLine()
{
    while (FLineMode && FLineLength > 0) {
        if (!TCustomSocksWSocket::TriggerDataAvailable(0)) {
            // Nobody reads lines: drop this one rather than offer it forever.
            FRcvdOff += static_cast<std::size_t>(FLineLength);
            FLineLength = 0;
            break;
        }
    }
}

void TCustomLineWSocket::DeliverBufferedWithoutLineMode()
{
    while (!FLineMode && Buffered() > 0) {
        const std::size_t before = Buffered();
        if (!TCustomSocksWSocket::TriggerDataAvailable(0))
            break;
        if (Buffered() == before && FHSocket == INVALID_SOCKET)
            break;
    }
}

void TCustomLineWSocket::TriggerSessionClosed(std::uint16_t error)
{
    if (Buffered() > 0) {
        if (FLineMode) {
            // What is left has no line end: it goes out as the last line.
            const bool wasDelivering = FDelivering;
            FDelivering = true;
            FLineLength = static_cast<int>(Buffered());
            DeliverCurrentLine();
            FDelivering = wasDelivering;
        } else {
            DeliverBufferedWithoutLineMode();
        }
    }
    FRcvdPtr.clear();
    FRcvdOff = 0;
    FLineLength = 0;
    TCustomSocksWSocket::TriggerSessionClosed(error);
}

int TCustomLineWSocket::EditLine(int newBytes)
{
    const std::size_t begin = FRcvdPtr.size() - static_cast<std::size_t>(newBytes);
    const std::string input = FRcvdPtr.substr(begin);
    FRcvdPtr.resize(begin);

    // Editing never reaches back past the start of the current line.
    std::size_t lineStart = FRcvdOff;
    if (!FLineEnd.empty()) {
        const std::size_t previousEnd = FRcvdPtr.rfind(FLineEnd);
        if (previousEnd != std::string::npos)
            lineStart = std::max(lineStart, previousEnd + FLineEnd.size());
    }
    std::string echo;
    for (const char c : input) {
        if (c == '\b') {
            if (FRcvdPtr.size() > lineStart) {
                FRcvdPtr.pop_back();
                if (FLineEcho)
                    echo += "\b \b";
            }
        } else if (c == '\t') {
            const std::size_t spaces = 8 - (FRcvdPtr.size() - lineStart) % 8;
            FRcvdPtr.append(spaces, ' ');
            if (FLineEcho)
                echo.append(spaces, ' ');
        } else {
            FRcvdPtr += c;
            if (FLineEcho)
                echo += c;
            if (!FLineEnd.empty() && FRcvdPtr.size() >= FLineEnd.size() &&
                FRcvdPtr.compare(FRcvdPtr.size() - FLineEnd.size(), FLineEnd.size(), FLineEnd) == 0)
                lineStart = FRcvdPtr.size();
        }
    }
    if (!echo.empty())
        SendStr(echo);
    return static_cast<int>(FRcvdPtr.size()) - static_cast<int>(begin);
}

void TCustomLineWSocket::CompactBuffer()
{
    if (FRcvdOff == 0)
        return;
    FRcvdPtr.erase(0, FRcvdOff);
    FRcvdOff = 0;
}
