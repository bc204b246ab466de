#include "net/custom_wsocket.h"

#include "net/socket_message_window.h"
#include "net/socket_resolve.h"

#include <QHostInfo>

#include <arpa/inet.h>

// Host lookups of the socket component: a dotted address is answered at
// once, anything else asynchronously from the event loop.

bool TCustomWSocket::BeginLookup(const std::string& name)
{
    if (name.empty()) {
        FLastError = WSAEINVAL;
        ReportError("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return false;
    }
    ForgetRunningLookup();
    FDnsResult.clear();
    FDnsResultList.clear();
    return true;
}

void TCustomWSocket::DnsLookup(const std::string& hostName)
{
    if (!BeginLookup(hostName))
        return;
    const in_addr_t address = inet_addr(hostName.c_str());
    if (address != INADDR_NONE) {
        FDnsResult = DottedAddress(address);
        // Callers that read the list get the same single answer a name
        // lookup would have given.
        FDnsResultList.push_back(FDnsResult);
        TriggerDnsLookupDone(0);
        return;
    }
    StartLookup(hostName, false);
}

void TCustomWSocket::ReverseDnsLookup(const std::string& dottedAddress)
{
    if (!BeginLookup(dottedAddress))
        return;
    if (inet_addr(dottedAddress.c_str()) == INADDR_NONE) {
        // A reverse lookup needs an address; a name would silently turn
        // into a forward lookup.
        FLastError = WSAEINVAL;
        ReportErrorFmt("%s: can't start DNS lookup, error #%d", dottedAddress.c_str(), WSAEINVAL);
        return;
    }
    StartLookup(dottedAddress, true);
}

void TCustomWSocket::StartLookup(const std::string& name, bool reverse)
{
    static std::uint64_t lastLookupHandle = 0;
    FDnsLookupHandle = ++lastLookupHandle;
    FDnsQtLookupId = FWindow->StartLookup(name, FDnsLookupHandle, reverse);
}

void TCustomWSocket::ForgetRunningLookup()
{
    if (FDnsLookupHandle == 0)
        return;
    QHostInfo::abortHostLookup(FDnsQtLookupId);
    FDnsLookupHandle = 0;
    FDnsQtLookupId = -1;
}

void TCustomWSocket::CancelDnsLookup()
{
    if (FDnsLookupHandle == 0)
        return;
    ForgetRunningLookup();
    if (!FDestroying)
        TriggerDnsLookupDone(WSAEINTR);
}

void TCustomWSocket::DeliverLookupResult(std::uint64_t lookupHandle, bool reverse, int error,
                                         const std::vector<std::string>& results)
{
    InvokeGuarded([&] { LookupFinished(lookupHandle, reverse, error, results); });
}

void TCustomWSocket::LookupFinished(std::uint64_t lookupHandle, bool reverse, int error,
                                    const std::vector<std::string>& results)
{
    if (lookupHandle != FDnsLookupHandle)
        return;   // an answer to a lookup that was cancelled or replaced
    FDnsLookupHandle = 0;
    FDnsQtLookupId = -1;
    if (error == 0 && !results.empty()) {
        FDnsResultList = results;
        FDnsResult = results.front();
    }
    (void)reverse;
    TriggerDnsLookupDone(static_cast<std::uint16_t>(error));
}
