#pragma once
// A real mosquitto for the network tests, on 127.0.0.1 and a free port, with a generated
// password file, an ACL (each station writes only below its own name, the collector reads all
// and may ask any station to resend, a "peer" writes anything) and, on request, TLS with a test certificate authority
// made by openssl. It can be killed and started again on the same port.

#include "SimProcess.h"

#include <filesystem>
#include <memory>
#include <string>

class TTestBroker {
public:
    static constexpr const char* CollectorUser = "collector";
    static constexpr const char* CollectorPassword = "collector-secret";
    // A client that may write every topic, as any client may on a broker without an ACL.
    static constexpr const char* PeerUser = "peer";
    static constexpr const char* PeerPassword = "peer-secret";

    // `folder` receives the configuration, the certificates and the password files.
    TTestBroker(const std::filesystem::path& folder, bool tls);
    ~TTestBroker();

    void Start();
    // SIGKILL: the broker goes away without a word, as a crash or a pulled cable.
    void Kill();
    bool Running();

    int Port() const { return FPort; }
    bool Tls() const { return FTls; }
    std::string CAFile() const { return (FFolder / "ca.crt").string(); }
    // The password of a station user (its station name): "secret-" + name.
    static std::string StationPassword(const std::string& station) { return "secret-" + station; }
    // A password file (mode 600) holding `password`.
    std::string PasswordFile(const std::string& name, const std::string& password) const;
    std::string Log() const;

private:
    std::filesystem::path FFolder;
    bool FTls;
    int FPort;
    std::unique_ptr<TSimProcess> FProcess;
};

// The settings of a headless station publishing on `broker` as `station` (user `station`).
std::string NetworkSection(const TTestBroker& broker, const std::string& station,
                           const std::string& passwordFile);
