#pragma once

#include "app/browse_session.h"
#include "sites/browsing_connection_state.h"
#include "sites/site_connection_target.h"

// What the address manager and the passive-mode item ask of the browsing
// session: whether it is connected, and to connect when the address manager
// closes with "Connect". A forced flag lets tests stand in for a connection.
class SessionSiteLinks : public AddressManagerConnectRequest, public BrowsingConnectionState {
public:
    SessionSiteLinks(BrowseSession& session, const BrowsingConnectionFlag& forced)
        : session_(session), forced_(forced)
    {
    }

    void connectFromAddressManager() override { session_.connectFromAddressManager(); }
    bool browsingConnected() const override { return session_.connected() || forced_.browsingConnected(); }

private:
    BrowseSession& session_;
    const BrowsingConnectionFlag& forced_;
};
