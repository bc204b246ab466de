#pragma once

// Whether the browsing session is connected. Settings that must not change
// during a connection ask this; the browsing session provides it.
class BrowsingConnectionState {
public:
    virtual ~BrowsingConnectionState() = default;
    virtual bool browsingConnected() const = 0;
};

// A plain flag for when no browsing session is attached (and for tests).
class BrowsingConnectionFlag : public BrowsingConnectionState {
public:
    bool browsingConnected() const override { return connected_; }
    void setBrowsingConnected(bool connected) { connected_ = connected; }

private:
    bool connected_ = false;
};
