#include "TestBroker.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int FreePort() {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(handle);
        throw std::runtime_error("no free port");
    }
    ::close(handle);
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected = ::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(handle);
    return connected;
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

}  // namespace

TTestBroker::TTestBroker(const fs::path& folder, bool tls) : FFolder(folder), FTls(tls), FPort(FreePort()) {
    fs::create_directories(FFolder);
    const std::string dir = FFolder.string();
    // Users: the collector and the stations the tests use; each station's user is its name.
    Run("cd '" + dir + "' && : > passwd && mosquitto_passwd -b passwd " + CollectorUser + " " +
        CollectorPassword + " && mosquitto_passwd -b passwd " + PeerUser + " " + PeerPassword +
        " && for s in TST ABC; do mosquitto_passwd -b passwd $s secret-$s; done");
    Write(FFolder / "acl",
          "user collector\n"
          "topic read orvant3k/v1/#\n"
          "topic write orvant3k/v1/+/resend\n"
          "topic write orvant3k/v1/+/history/answer/#\n"
          "\n"
          "user " + std::string(PeerUser) + "\n"
          "topic readwrite orvant3k/v1/#\n"
          "\n"
          "pattern write orvant3k/v1/%u/status\n"
          "pattern write orvant3k/v1/%u/meta\n"
          "pattern write orvant3k/v1/%u/lines\n"
          "pattern write orvant3k/v1/%u/minute\n"
          "pattern read orvant3k/v1/%u/resend\n");
    std::string config = "listener " + std::to_string(FPort) + " 127.0.0.1\n"
                         "allow_anonymous false\n"
                         "password_file " + dir + "/passwd\n"
                         "acl_file " + dir + "/acl\n"
                         "persistence false\n"
                         // Started as root, mosquitto would become another user who cannot
                         // read the test's private folder.
                         "user " + std::string(::getpwuid(::getuid())->pw_name) + "\n"
                         "log_dest stderr\n"
                         "log_type error\nlog_type warning\nlog_type notice\n";
    if (FTls) {
        // A test authority and a server certificate for 127.0.0.1, valid for two days.
        Run("cd '" + dir + "' && "
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
            "-keyout ca.key -out ca.crt -days 2 -subj '/CN=orvant3k test CA' 2>/dev/null && "
            "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
            "-keyout server.key -out server.csr -subj '/CN=127.0.0.1' 2>/dev/null && "
            "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > server.ext && "
            "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial "
            "-out server.crt -days 2 -extfile server.ext 2>/dev/null");
        config += "cafile " + dir + "/ca.crt\ncertfile " + dir + "/server.crt\nkeyfile " + dir +
                  "/server.key\n";
    }
    Write(FFolder / "mosquitto.conf", config);
    Start();
}

TTestBroker::~TTestBroker() { Kill(); }

void TTestBroker::Start() {
    FProcess = std::make_unique<TSimProcess>("/usr/sbin/mosquitto",
                                             std::vector<std::string>{"-c", (FFolder / "mosquitto.conf").string()});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Accepts(FPort)) {
        if (!FProcess->Running() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("mosquitto did not start: " + FProcess->ErrorOutput());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void TTestBroker::Kill() {
    if (!FProcess) return;
    FProcess->Signal(SIGKILL);
    FProcess->Wait();
}

bool TTestBroker::Running() { return FProcess && FProcess->Running(); }

std::string TTestBroker::Log() const { return FProcess ? FProcess->ErrorOutput() : ""; }

std::string TTestBroker::PasswordFile(const std::string& name, const std::string& password) const {
    const fs::path path = FFolder / name;
    Write(path, password + "\n");
    ::chmod(path.c_str(), 0600);
    return path.string();
}

std::string NetworkSection(const TTestBroker& broker, const std::string& station,
                           const std::string& passwordFile) {
    std::string section = "[Network]\r\nBroker=127.0.0.1\r\nPort=" + std::to_string(broker.Port()) +
                          "\r\nUsername=" + station + "\r\nPasswordFile=" + passwordFile + "\r\n";
    if (broker.Tls()) section += "TLS=1\r\nCAFile=" + broker.CAFile() + "\r\n";
    return section;
}
