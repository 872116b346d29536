#include "network/MqttLink.h"

#include "network/TlsRefusal.h"

#include <mqtt/async_client.h>

class TMqttLink::TCallback : public mqtt::callback {
public:
    explicit TCallback(TMqttLink& link) : FLink(link) {}
    void connection_lost(const std::string& cause) override {
        if (FLink.OnLost) FLink.OnLost(cause.empty() ? "connection lost" : cause);
    }
    void message_arrived(mqtt::const_message_ptr message) override {
        if (!FLink.OnMessage) return;
        TMqttReplyTo replyTo;
        const mqtt::properties& properties = message->get_properties();
        if (properties.contains(mqtt::property::RESPONSE_TOPIC))
            replyTo.ResponseTopic = mqtt::get<std::string>(properties, mqtt::property::RESPONSE_TOPIC);
        if (properties.contains(mqtt::property::CORRELATION_DATA))
            replyTo.CorrelationData = mqtt::get<std::string>(properties, mqtt::property::CORRELATION_DATA);
        FLink.OnMessage(message->get_topic(), message->to_string(), replyTo);
    }
    void delivery_complete(mqtt::delivery_token_ptr) override {
        if (FLink.OnDelivery) FLink.OnDelivery();
    }

private:
    TMqttLink& FLink;
};

namespace {

std::string TextOf(const mqtt::exception& error) {
    return LinkFailureText(error.get_return_code(), error.get_reason_code(), error.get_message());
}

}  // namespace

std::string LinkFailureText(int returnCode, int reasonCode, const std::string& message) {
    // A refused connection carries the broker's reason in the return code.
    if (reasonCode == 0 && returnCode >= 0x80) reasonCode = returnCode;
    switch (reasonCode) {
    case mqtt::ReasonCode::BAD_USER_NAME_OR_PASSWORD:
        return "the broker refused the user name or password";
    case mqtt::ReasonCode::NOT_AUTHORIZED: return "not authorized by the broker";
    case mqtt::ReasonCode::CLIENT_IDENTIFIER_NOT_VALID: return "the broker refused the client id";
    case mqtt::ReasonCode::SERVER_UNAVAILABLE: return "the broker is unavailable";
    case mqtt::ReasonCode::TOPIC_NAME_INVALID: return "the broker refused the topic name";
    case mqtt::ReasonCode::QUOTA_EXCEEDED: return "the broker's quota is exceeded";
    case mqtt::ReasonCode::PACKET_TOO_LARGE: return "the message is too large for the broker";
    default: break;
    }
    if (reasonCode >= 0x80) return "refused by the broker (reason code " + std::to_string(reasonCode) + ")";
    switch (returnCode) {
    case MQTTASYNC_DISCONNECTED: return "not connected";
    case MQTTASYNC_BAD_UTF8_STRING: return "a text is not valid UTF-8";
    case MQTTASYNC_SSL_NOT_SUPPORTED: return "this build has no TLS";
    case MQTTASYNC_BAD_PROTOCOL: return "the broker address is not valid";
    default: break;
    }
    std::string text = message;
    // Paho's texts start with "MQTT error [n]: "; the reason after it is what tells the user.
    if (const std::size_t colon = text.find("]: "); text.rfind("MQTT error", 0) == 0 && colon != std::string::npos)
        text.erase(0, colon + 3);
    if (text == "CONNACK return code")
        return "the broker refused the connection (code " + std::to_string(returnCode) + ")";
    if (text.empty() || text == "TCP/TLS connect failure")
        return "cannot connect (broker not running, wrong address or port, or TLS refused)";
    return text;
}

TMqttLink::TMqttLink(TLinkEndpoint endpoint) : FEndpoint(std::move(endpoint)) {
    const std::string uri = std::string(FEndpoint.Tls ? "ssl://" : "tcp://") + FEndpoint.Host + ":" +
                            std::to_string(FEndpoint.Port);
    try {
        // The library refuses publications beyond this many waiting to be sent (100 by
        // default): a collector asks thousands of stations to resend after a reconnection.
        FClient = std::make_unique<mqtt::async_client>(uri, FEndpoint.ClientId,
                                                       mqtt::create_options(MQTTVERSION_5, MaxWaitingPublications));
    } catch (const mqtt::exception& error) {
        throw ELinkError("broker " + ServerText() + ": " + TextOf(error));
    }
    FCallback = std::make_unique<TCallback>(*this);
    FClient->set_callback(*FCallback);
}

TMqttLink::~TMqttLink() {
    try {
        if (FClient->is_connected()) FClient->disconnect(0)->wait_for(std::chrono::milliseconds(500));
    } catch (...) {
        // Going away: nothing to report to.
    }
    FClient->disable_callbacks();
}

std::string TMqttLink::ServerText() const {
    return FEndpoint.Host + ":" + std::to_string(FEndpoint.Port) + (FEndpoint.Tls ? " (TLS)" : "");
}

bool TMqttLink::Connect(std::chrono::milliseconds timeout) {
    mqtt::connect_options options;
    options.set_mqtt_version(MQTTVERSION_5);
    options.set_clean_start(FEndpoint.SessionExpiry.count() == 0);
    // A 32-bit count on the wire (all ones: never); Paho takes it as a signed one.
    if (FEndpoint.SessionExpiry.count() > 0)
        options.set_properties({{mqtt::property::SESSION_EXPIRY_INTERVAL,
                                 static_cast<std::int32_t>(std::min<std::chrono::seconds::rep>(
                                     FEndpoint.SessionExpiry.count(), 0xffffffff))}});
    options.set_keep_alive_interval(std::chrono::seconds(10));
    options.set_connect_timeout(std::chrono::duration_cast<std::chrono::seconds>(timeout) +
                                std::chrono::seconds(1));
    if (!FEndpoint.Username.empty()) {
        options.set_user_name(FEndpoint.Username);
        options.set_password(FEndpoint.Password);
    }
    if (!FEndpoint.WillTopic.empty())
        options.set_will_message(mqtt::message::create(FEndpoint.WillTopic, FEndpoint.WillPayload, 1, true));
    if (FEndpoint.Tls) {
        mqtt::ssl_options tls;
        if (!FEndpoint.CAFile.empty()) tls.set_trust_store(FEndpoint.CAFile);
        tls.set_enable_server_cert_auth(true);
        tls.set_verify(true);
        options.set_ssl(tls);
    }
    try {
        const mqtt::token_ptr connecting = FClient->connect(options);
        if (!connecting->wait_for(timeout)) {
            // An attempt still under way would connect behind our back; end it.
            try {
                FClient->disconnect(0);
            } catch (const mqtt::exception&) {
            }
            throw ELinkError("no answer from the broker within " +
                             std::to_string(timeout.count() / 1000) + " s");
        }
        return connecting->get_connect_response().is_session_present();
    } catch (const mqtt::exception& error) {
        // Brokers answer a wrong password with "bad user name or password" or, as mosquitto
        // does, with "not authorized".
        const int code = error.get_reason_code() ? error.get_reason_code() : error.get_return_code();
        if (code == mqtt::ReasonCode::NOT_AUTHORIZED || code == mqtt::ReasonCode::BAD_USER_NAME_OR_PASSWORD ||
            code == 4 || code == 5)
            throw ELinkError(FEndpoint.Username.empty()
                                 ? "the broker wants a user name and password"
                                 : "the broker refused the user name or password");
        std::string reason = TextOf(error);
        if (FEndpoint.Tls && reason.rfind("cannot connect (", 0) == 0) {
            const std::string refusal = TlsRefusalReason(FEndpoint.Host, FEndpoint.Port, FEndpoint.CAFile, timeout);
            if (!refusal.empty()) reason = refusal;
        }
        throw ELinkError(reason);
    }
}

bool TMqttLink::Connected() const { return FClient->is_connected(); }

void TMqttLink::Disconnect(std::chrono::milliseconds timeout) {
    try {
        if (FClient->is_connected()) FClient->disconnect(static_cast<int>(timeout.count()))->wait_for(timeout);
    } catch (const mqtt::exception&) {
        // Gone either way.
    }
}

TMqttLink::TDeliveryPtr TMqttLink::Publish(const std::string& topic, const std::string& payload,
                                           int qos, bool retained) {
    try {
        return FClient->publish(topic, payload.data(), payload.size(), qos, retained);
    } catch (const mqtt::exception& error) {
        throw ELinkError(TextOf(error));
    }
}

TMqttLink::TDeliveryPtr TMqttLink::Reply(const TMqttReplyTo& to, const std::string& payload) {
    try {
        auto message = mqtt::make_message(to.ResponseTopic, payload.data(), payload.size(), 1, false);
        mqtt::properties properties;
        if (!to.CorrelationData.empty())
            properties.add(mqtt::property(mqtt::property::CORRELATION_DATA, to.CorrelationData));
        message->set_properties(properties);
        return FClient->publish(message);
    } catch (const mqtt::exception& error) {
        throw ELinkError(TextOf(error));
    }
}

TMqttLink::TTokenPtr TMqttLink::Subscribe(const std::string& topicFilter, int qos) {
    try {
        return FClient->subscribe(topicFilter, qos);
    } catch (const mqtt::exception& error) {
        throw ELinkError(TextOf(error));
    }
}

bool TMqttLink::Finished(const TTokenPtr& token, std::string& failure) {
    failure.clear();
    try {
        return token->try_wait();
    } catch (const mqtt::exception& error) {
        failure = TextOf(error);
        return true;
    }
}
