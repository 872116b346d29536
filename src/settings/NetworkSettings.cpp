#include "settings/NetworkSettings.h"

#include <algorithm>

bool IsValidStationId(const std::string& id) {
    return !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
    });
}

std::string TLinkStatus::StateText() const {
    switch (State) {
    case TState::Off: return Reason.empty() ? "off" : "off: " + Reason;
    case TState::Connecting: return Reason.empty() ? "connecting" : "cannot connect: " + Reason;
    case TState::Connected: return Reason.empty() ? "connected" : "connected; " + Reason;
    case TState::Reconnecting: return Reason.empty() ? "reconnecting" : "reconnecting (" + Reason + ")";
    }
    return "";
}

std::string TLinkStatus::Text() const {
    std::string text = StateText();
    if (Waiting > 0)
        text += ", " + std::to_string(Waiting) + (Waiting == 1 ? " line" : " lines") + " waiting";
    return text;
}

std::string OverviewPageAddress(const TNetworkSettings& settings) {
    if (!settings.Enabled() || settings.PagePort <= 0 || settings.PagePort > 65535) return {};
    // An IPv6 address goes in brackets in an address.
    const bool ipv6 = settings.Broker.find(':') != std::string::npos && settings.Broker.front() != '[';
    const std::string host = ipv6 ? "[" + settings.Broker + "]" : settings.Broker;
    return "http://" + host + ":" + std::to_string(settings.PagePort) + "/";
}
