#pragma once
// A thin layer over the Paho asynchronous MQTT client: one connection (MQTT 5, clean start,
// optional TLS and user name), QoS 1 publishing and subscribing, and plain-text reasons for
// every failure. Nothing here retries or buffers: callers decide (the archive is the buffer).

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace mqtt {
class async_client;
class token;
class delivery_token;
}  // namespace mqtt

// Where an MQTT 5 request wants its answer: the response topic and the correlation data to
// send back with it (both empty for a message that asks for none).
struct TMqttReplyTo {
    std::string ResponseTopic;
    std::string CorrelationData;
};

// A failure of the link, with a reason fit for a log line or the status bar.
class ELinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TLinkEndpoint {
    std::string Host;
    int Port = 1883;
    bool Tls = false;
    std::string CAFile;
    std::string Username;
    std::string Password;
    std::string ClientId;
    // The broker's last will, published retained when the connection dies without a goodbye.
    std::string WillTopic;
    std::string WillPayload;
    // 0: the broker forgets the client's subscriptions when it goes. Otherwise the broker keeps
    // them, and queues their QoS 1 messages, for this long after a disconnection, and the
    // client resumes the session at its next connection (with the same ClientId).
    std::chrono::seconds SessionExpiry{0};
};

// Thread rule: Connect, Publish, Subscribe and Disconnect are called by one thread (the owner's
// worker or event loop); the callbacks run on Paho's threads and must only hand over.
class TMqttLink {
public:
    using TTokenPtr = std::shared_ptr<mqtt::token>;
    using TDeliveryPtr = std::shared_ptr<mqtt::delivery_token>;

    // Called on Paho's thread when an established connection is lost.
    std::function<void(const std::string& reason)> OnLost;
    // Called on Paho's thread for every message of a subscription.
    std::function<void(const std::string& topic, const std::string& payload, const TMqttReplyTo& replyTo)>
        OnMessage;
    // Called on Paho's thread whenever a publication has been acknowledged (or failed).
    std::function<void()> OnDelivery;

    // Publications the client takes before they are sent; beyond, Publish fails.
    static constexpr int MaxWaitingPublications = 4000;

    // ELinkError for a malformed host.
    explicit TMqttLink(TLinkEndpoint endpoint);
    ~TMqttLink();
    TMqttLink(const TMqttLink&) = delete;
    TMqttLink& operator=(const TMqttLink&) = delete;

    // Connects, waiting at most `timeout`; ELinkError with the reason when it fails. True when
    // the broker resumed the session it kept (see TLinkEndpoint::SessionExpiry).
    bool Connect(std::chrono::milliseconds timeout);
    bool Connected() const;
    // Sends a goodbye (the will is not published), waiting at most `timeout`.
    void Disconnect(std::chrono::milliseconds timeout);

    // Starts a publication; ELinkError when the client refuses it at once (not connected).
    TDeliveryPtr Publish(const std::string& topic, const std::string& payload, int qos, bool retained);
    // Answers an MQTT 5 request: QoS 1 on its response topic, with its correlation data.
    TDeliveryPtr Reply(const TMqttReplyTo& to, const std::string& payload);
    // Starts a subscription (QoS 1 unless said otherwise).
    TTokenPtr Subscribe(const std::string& topicFilter, int qos = 1);

    // True once the publication or subscription has ended; `failure` then receives its reason
    // (empty when it succeeded).
    static bool Finished(const TTokenPtr& token, std::string& failure);
    std::string ServerText() const;  // "host:port" (with "TLS" when on)

private:
    class TCallback;
    TLinkEndpoint FEndpoint;
    std::unique_ptr<mqtt::async_client> FClient;
    std::unique_ptr<TCallback> FCallback;
};

// The reason of a Paho failure in words: "the broker refused the user name or password", "not
// authorized", "connection refused" ...
std::string LinkFailureText(int returnCode, int reasonCode, const std::string& message);
