#pragma once
// How a station reaches its MQTT broker: the "Network" section of the settings file.

#include <string>

struct TNetworkSettings {
    std::string Broker;        // host name or address; empty: publishing is off
    int Port = 0;              // 0: the protocol's usual port (1883, or 8883 with TLS)
    bool Tls = false;
    std::string CAFile;        // certificate authority that signed the broker's certificate
    std::string Username;      // empty: connect without user name and password
    std::string PasswordFile;  // a file holding the password, readable by its owner only
    std::string StationId;     // empty: the station's IDC
    std::string TopicPrefix = "orvant3k/v1";
    // The broker's websockets listener that serves the network's overview page; 0: none.
    int PagePort = 0;
    // Why the network part must stay off although a broker is named (a security setting that
    // cannot be read); empty when it may connect.
    std::string Refused;

    bool Enabled() const { return !Broker.empty(); }
    int EffectivePort() const { return Port > 0 ? Port : (Tls ? 8883 : 1883); }
    bool operator==(const TNetworkSettings&) const = default;
};

// The overview page's address, "http://broker:port/", when the settings name a broker and its
// page listener; empty otherwise.
std::string OverviewPageAddress(const TNetworkSettings& settings);

// A station id names topics and the collector's folders: 1 to 64 letters, digits, "-" or "_".
bool IsValidStationId(const std::string& id);
inline constexpr const char* StationIdRule = "1 to 64 letters, digits, \"-\" or \"_\"";

// What the link is doing, as the window's status bar and the headless log show it.
struct TLinkStatus {
    enum class TState { Off, Connecting, Connected, Reconnecting };
    TState State = TState::Off;
    std::string Reason;        // why the last attempt failed or the link was lost
    long long Waiting = 0;     // lines recorded and not yet acknowledged by the broker

    // "connected", "reconnecting (reason)", ...; without the waiting count.
    std::string StateText() const;
    // StateText and, when there are any, the lines waiting.
    std::string Text() const;
    // Same state and reason (the waiting count changes all the time).
    bool SameState(const TLinkStatus& other) const {
        return State == other.State && Reason == other.Reason;
    }
};
