#pragma once

#include "net/custom_socks_wsocket.h"

#include <string>

// Optionally cuts the received stream into lines and delivers one line,
// including its end, per OnDataAvailable; can echo and edit what it gets.
class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    TCustomLineWSocket();

    bool LineMode() const { return FLineMode; }
    virtual void SetLineMode(bool value);
    const std::string& LineEnd() const { return FLineEnd; }
    void SetLineEnd(const std::string& value) { FLineEnd = value; }
    bool LineEcho() const { return FLineEcho; }
    void SetLineEcho(bool value) { FLineEcho = value; }
    bool LineEdit() const { return FLineEdit; }
    void SetLineEdit(bool value) { FLineEdit = value; }

    int RcvdCount() override;
    void HandleMessage(const TSocketMessage& message) override;

protected:
    int RecvRaw(void* buffer, int length, int flags) override;
    bool TriggerDataAvailable(std::uint16_t error) override;
    void TriggerSessionClosed(std::uint16_t error) override;
    // Applies backspace and tab editing to the newly received bytes at the
    // end of the buffer; returns how many edited bytes remain.
    virtual int EditLine(int newBytes);

    void ResetProperties() override;

private:
    std::size_t Buffered() const { return FRcvdPtr.size() - FRcvdOff; }
    void DeliverLines(std::size_t searchFrom);
    // Fires the data event while the current line (or last piece) has
    // unread bytes and line mode stays on.
    void DeliverCurrentLine();
    void DeliverBufferedWithoutLineMode();
    void CompactBuffer();

    bool FLineMode = false;
    std::string FLineEnd = "\r\n";
    bool FLineEcho = false;
    bool FLineEdit = false;
    std::string FRcvdPtr;        // received bytes; the first FRcvdOff are already handed out
    std::size_t FRcvdOff = 0;
    int FLineLength = 0;         // unread bytes of the line being delivered
    bool FDelivering = false;    // a line delivery loop is running
};
