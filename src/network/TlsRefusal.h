#pragma once
// Why a TLS connection to a broker failed, in words. Paho reports every TLS failure as the same
// "TCP/TLS connect failure"; an operator needs to know whether the certificate is not trusted
// or names another host. So after such a failure the handshake is tried once more here, with
// the same trust and host name rules, to read the verification's own verdict.

#include <chrono>
#include <string>

// The reason ("the broker's certificate is not trusted ...", "... is not for host ..."), or
// empty when the handshake here succeeds or never got as far as the certificate (the broker
// down, no route): then the generic reason is the right one.
std::string TlsRefusalReason(const std::string& host, int port, const std::string& caFile,
                             std::chrono::milliseconds timeout);
