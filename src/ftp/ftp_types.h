#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

class TCustomFtpCli;

// Client states. The numbers are compared by the windows that own a client,
// so they never change.
enum TFtpClientState {
    ftpStateNotConnected = 0,
    ftpStateReady = 1,
    ftpStateStepDone = 2,
    ftpStateResolving = 3,
    ftpStateConnected = 4,
    ftpStateAborting = 5,
    // 6 is not used.
    ftpStateAwaitingWelcome = 7,
    ftpStateAwaitingReply = 8,
};

// Request types reported by OnRequestDone; fixed numbers (19 and 20 are
// never reported).
enum TFtpRequest {
    ftpRqNone = 0,
    ftpRqOpen = 1,
    ftpRqUser = 2,
    ftpRqPass = 3,
    ftpRqChangeDir = 4,
    ftpRqLogin = 5,
    ftpRqSessionGet = 6,
    ftpRqListDir = 7,
    ftpRqListNames = 8,
    ftpRqDataPort = 9,
    ftpRqGetFile = 10,
    ftpRqSessionListDir = 11,
    ftpRqSessionListNames = 12,
    ftpRqSessionSystem = 13,
    ftpRqSystem = 14,
    ftpRqQuit = 15,
    ftpRqFileSize = 16,
    ftpRqPutFile = 17,
    ftpRqAppendFile = 18,
    ftpRqMakeDir = 21,
    ftpRqRemoveDir = 22,
    ftpRqSessionRename = 23,
    ftpRqDelete = 24,
    ftpRqRename = 25,
    ftpRqRenameTo = 26,
    ftpRqRenameFrom = 27,
    ftpRqSessionDelete = 28,
    ftpRqSessionMakeDir = 29,
    ftpRqSessionRemoveDir = 30,
    ftpRqPrintDir = 31,
    ftpRqRawCommand = 32,
    ftpRqParentDir = 33,
    ftpRqSessionRawCommand = 34,
    ftpRqSessionPut = 35,
    ftpRqSetType = 36,
    ftpRqRestart = 37,
    ftpRqResumeGetFile = 38,
    ftpRqSessionResumeGet = 39,
};

// Single steps of a request; a TFtpSteps set holds bit n for step n.
enum TFtpStep {
    ftpStepNone = 0,
    ftpStepOpen = 1,
    ftpStepUser = 2,
    ftpStepPass = 3,
    ftpStepCwd = 4,
    ftpStepSize = 5,
    ftpStepMkd = 6,
    ftpStepRmd = 7,
    ftpStepRnfr = 8,
    ftpStepRnto = 9,
    ftpStepRetr = 10,
    ftpStepList = 11,
    ftpStepQuit = 12,
    ftpStepSyst = 13,
    ftpStepDele = 14,
    ftpStepPwd = 15,
    ftpStepRaw = 16,
    ftpStepStor = 17,
    ftpStepType = 18,
    ftpStepRest = 19,
    ftpStepCdup = 20,
    ftpStepNlst = 21,
    ftpStepAppe = 22,
    ftpStepPort = 23,
};

class TFtpSteps {
public:
    constexpr TFtpSteps() = default;
    constexpr TFtpSteps(std::initializer_list<TFtpStep> steps)
    {
        for (TFtpStep s : steps)
            bits_ |= bit(s);
    }
    constexpr bool Contains(TFtpStep s) const { return (bits_ & bit(s)) != 0; }
    constexpr void Include(TFtpStep s) { bits_ |= bit(s); }
    constexpr void Exclude(TFtpStep s) { bits_ &= ~bit(s); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Clear() { bits_ = 0; }
    constexpr std::uint32_t Bits() const { return bits_; }

private:
    static constexpr std::uint32_t bit(TFtpStep s) { return std::uint32_t{1} << static_cast<unsigned>(s); }
    std::uint32_t bits_ = 0;
};

enum TFtpShareMode {
    ftpShareCompat,
    ftpShareExclusive,
    ftpShareDenyWrite,
    ftpShareDenyRead,
    ftpShareDenyNone,
};

enum TFtpOption { ftpAcceptLF };

class TFtpOptions {
public:
    constexpr TFtpOptions() = default;
    constexpr TFtpOptions(std::initializer_list<TFtpOption> options)
    {
        for (TFtpOption o : options)
            bits_ |= 1u << o;
    }
    constexpr bool Contains(TFtpOption o) const { return (bits_ & (1u << o)) != 0; }
    constexpr void Include(TFtpOption o) { bits_ |= 1u << o; }
    constexpr void Exclude(TFtpOption o) { bits_ &= ~(1u << o); }
    constexpr bool operator==(const TFtpOptions&) const = default;

private:
    unsigned bits_ = 0;
};

// Raised for misuse of the component (a request while busy, a required
// name left empty, ...) when no OnUsageError handler is attached.
class FtpException : public std::runtime_error {
public:
    explicit FtpException(const std::string& message) : std::runtime_error(message) {}
};

// Event types. The first argument is the component that fires the event; a
// by-reference argument lets the handler change the value.
using TFtpDisplay = std::function<void(TCustomFtpCli* Sender, std::string& Msg)>;
using TFtpCommand = std::function<void(TCustomFtpCli* Sender, std::string& Cmd)>;
using TFtpNotify = std::function<void(TCustomFtpCli* Sender)>;
using TFtpProgress = std::function<void(TCustomFtpCli* Sender, std::int64_t Count, bool& Abort)>;
using TFtpSessionEvent = std::function<void(TCustomFtpCli* Sender, std::uint16_t Error)>;
using TFtpRequestDone = std::function<void(TCustomFtpCli* Sender, TFtpRequest RqType, std::uint16_t Error)>;
using TFtpReadyToTransmit = std::function<void(TCustomFtpCli* Sender, bool& bCancel)>;
using TFtpBgException = std::function<void(TCustomFtpCli* Sender, const std::exception& E, bool& CanClose)>;
