#include "network/TlsRefusal.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>

namespace {

int ConnectTcp(const std::string& host, int port, std::chrono::milliseconds timeout) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
    int handle = -1;
    timeval limit{static_cast<time_t>(timeout.count() / 1000), static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
    for (addrinfo* address = found; address && handle < 0; address = address->ai_next) {
        handle = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (handle < 0) continue;
        // The handshake's reads and writes end by the same time-out as the connection.
        ::setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (::connect(handle, address->ai_addr, address->ai_addrlen) != 0) {
            ::close(handle);
            handle = -1;
        }
    }
    ::freeaddrinfo(found);
    return handle;
}

bool IsAddress(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

std::string VerdictText(long verdict, const std::string& host, const std::string& caFile) {
    switch (verdict) {
        case X509_V_OK: return {};
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return "the broker's certificate is not for " + host + " (host name mismatch)";
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
            return "the broker's certificate is not trusted (not signed by " +
                   (caFile.empty() ? std::string("an authority the system trusts") : "the authority of " + caFile) +
                   ")";
        case X509_V_ERR_CERT_HAS_EXPIRED: return "the broker's certificate has expired";
        case X509_V_ERR_CERT_NOT_YET_VALID: return "the broker's certificate is not valid yet (check the clock)";
        default:
            return std::string("the broker's certificate was refused: ") + X509_verify_cert_error_string(verdict);
    }
}

}  // namespace

std::string TlsRefusalReason(const std::string& host, int port, const std::string& caFile,
                             std::chrono::milliseconds timeout) {
    const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!context) return {};
    if (caFile.empty() ? SSL_CTX_set_default_verify_paths(context.get()) != 1
                       : SSL_CTX_load_verify_locations(context.get(), caFile.c_str(), nullptr) != 1) {
        ERR_clear_error();
        return "the certificate authority file " + caFile + " cannot be read as a certificate";
    }
    // The handshake goes on whatever the verdict, so that the verdict can be read.
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
    const std::unique_ptr<SSL, decltype(&SSL_free)> session(SSL_new(context.get()), SSL_free);
    if (!session) return {};
    X509_VERIFY_PARAM* rules = SSL_get0_param(session.get());
    if (IsAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(rules, host.c_str());
    } else {
        X509_VERIFY_PARAM_set1_host(rules, host.c_str(), 0);
        SSL_set_tlsext_host_name(session.get(), host.c_str());
    }
    const int handle = ConnectTcp(host, port, timeout);
    if (handle < 0) return {};
    SSL_set_fd(session.get(), handle);
    std::string reason;
    if (SSL_connect(session.get()) == 1) {
        reason = VerdictText(SSL_get_verify_result(session.get()), host, caFile);
    } else if (const unsigned long error = ERR_peek_last_error(); error != 0) {
        reason = std::string("the TLS handshake failed: ") + ERR_reason_error_string(error);
    }
    ERR_clear_error();
    ::close(handle);
    return reason;
}
