#include "collector/CollectorCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <charconv>

namespace {

bool SplitBroker(const std::string& text, bool tls, std::string& host, int& port) {
    // "[v6::addr]:port", "host:port" or "host".
    std::string rest = text;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos) return false;
        host = rest.substr(1, close - 1);
        rest.erase(0, close + 1);
    } else {
        const std::size_t colon = rest.find(':');
        host = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon);
    }
    port = tls ? 8883 : 1883;
    if (host.empty()) return false;
    if (rest.empty()) return true;
    if (rest.front() != ':' || rest.size() == 1) return false;
    const auto [end, error] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), port);
    return error == std::errc() && end == rest.data() + rest.size() && port > 0 && port < 65536;
}

}  // namespace

TCollectorCommandLine ParseCollectorCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Records the stations of an ORVANT-3K network from an MQTT broker: for each station, its "
        "archive under OUT/<station>/ exactly as the station records it. Runs until SIGINT or "
        "SIGTERM, then records everything received and exits.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption broker("broker", "The broker (port 1883, 8883 with --tls).", "HOST[:PORT]");
    const QCommandLineOption tls("tls", "Connect with TLS.");
    const QCommandLineOption cafile("cafile", "Certificate authority of the broker's certificate.", "F");
    const QCommandLineOption username("username", "User name at the broker.", "U");
    const QCommandLineOption passwordFile("password-file",
                                          "File holding the password (readable by its owner only).", "F");
    const QCommandLineOption prefix("prefix", "Topic prefix (default orvant3k/v1).", "P", "orvant3k/v1");
    const QCommandLineOption stations("stations",
                                      "Record only stations whose name matches this shell pattern "
                                      "(several separated by commas).", "PATTERN");
    const QCommandLineOption out("out", "Output folder (default: the working folder).", "DIR", ".");
    const QCommandLineOption fromNow("from-now",
                                     "Record a station new to this collector from its next line on, "
                                     "not from the oldest line it still has.");
    const QCommandLineOption maxStations("max-stations", "Record at most N stations (default 10000).", "N", "10000");
    const QCommandLineOption sessionExpiry(
        "session-expiry",
        "How long the broker keeps this collector's subscriptions and queues lines for it while it is "
        "away (default 3600; 0: not at all). Stations resend what is lost either way.",
        "SECONDS", QString::number(DefaultSessionExpiry.count()));
    parser.addOptions({broker, tls, cafile, username, passwordFile, prefix, stations, out, fromNow, maxStations,
                       sessionExpiry});

    TCollectorCommandLine line;
    if (!parser.parse(arguments)) {
        line.ExitCode = 2;
        line.Message = "orvant3k-collector: " + parser.errorText().toStdString() + "\n";
        return line;
    }
    if (parser.isSet(help)) {
        line.ExitCode = 0;
        line.Message = parser.helpText().toStdString();
        return line;
    }
    if (parser.isSet(version)) {
        line.ExitCode = 0;
        line.Message = "orvant3k-collector " + QCoreApplication::applicationVersion().toStdString() + "\n";
        return line;
    }
    auto usage = [&line](const std::string& message) {
        line.ExitCode = 2;
        line.Message = "orvant3k-collector: " + message + "\n";
        return line;
    };
    if (!parser.positionalArguments().isEmpty())
        return usage("unexpected argument " + parser.positionalArguments().first().toStdString());
    if (!parser.isSet(broker)) return usage("--broker HOST[:PORT] is required");
    TLinkEndpoint& endpoint = line.Options.Endpoint;
    endpoint.Tls = parser.isSet(tls);
    if (!SplitBroker(parser.value(broker).toStdString(), endpoint.Tls, endpoint.Host, endpoint.Port))
        return usage("--broker: not HOST[:PORT]: " + parser.value(broker).toStdString());
    endpoint.CAFile = parser.value(cafile).toStdString();
    endpoint.Username = parser.value(username).toStdString();
    line.PasswordFile = parser.value(passwordFile).toStdString();
    if (!line.PasswordFile.empty() && endpoint.Username.empty())
        return usage("--password-file needs --username");
    line.Options.Prefix = parser.value(prefix).toStdString();
    while (!line.Options.Prefix.empty() && line.Options.Prefix.back() == '/') line.Options.Prefix.pop_back();
    if (line.Options.Prefix.empty() || line.Options.Prefix.find_first_of("+#") != std::string::npos)
        return usage("--prefix: not a topic prefix: " + parser.value(prefix).toStdString());
    for (const QString& pattern : parser.value(stations).split(',', Qt::SkipEmptyParts))
        line.Options.Patterns.push_back(pattern.trimmed().toStdString());
    line.Options.OutDirectory = parser.value(out).toStdString();
    line.Options.FromNow = parser.isSet(fromNow);
    const std::string most = parser.value(maxStations).toStdString();
    const auto [end, error] = std::from_chars(most.data(), most.data() + most.size(), line.Options.MaxStations);
    if (error != std::errc() || end != most.data() + most.size() || line.Options.MaxStations == 0)
        return usage("--max-stations: not a number of stations: " + most);
    // The protocol's session expiry is a 32-bit count of seconds.
    const std::string expiry = parser.value(sessionExpiry).toStdString();
    std::uint32_t seconds = 0;
    const auto [expiryEnd, expiryError] = std::from_chars(expiry.data(), expiry.data() + expiry.size(), seconds);
    if (expiryError != std::errc() || expiryEnd != expiry.data() + expiry.size())
        return usage("--session-expiry: not a number of seconds from 0 to 4294967295: " + expiry);
    line.Options.SessionExpiry = std::chrono::seconds(seconds);
    return line;
}
