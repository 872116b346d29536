#pragma once
// The few MQTT 3.1.1 packets a station needs, as bytes on the wire, for load generators that
// drive thousands of connections from one thread without a client library.

#include <cstdint>
#include <optional>
#include <string>

namespace MqttPackets {

struct TWill {
    std::string Topic;
    std::string Payload;  // sent at QoS 1, retained
};

// Clean session: the broker forgets the client's subscriptions when it goes, as a station asks.
void AppendConnect(std::string& out, const std::string& clientId, std::uint16_t keepAliveSeconds,
                   const TWill& will);
// `packetId` is ignored at QoS 0.
void AppendPublish(std::string& out, const std::string& topic, const std::string& payload, int qos,
                   bool retain, std::uint16_t packetId);
void AppendPubAck(std::string& out, std::uint16_t packetId);
void AppendSubscribe(std::string& out, std::uint16_t packetId, const std::string& topic, int qos);
void AppendPingRequest(std::string& out);
void AppendDisconnect(std::string& out);

enum class TKind : std::uint8_t {
    ConnAck = 2,
    Publish = 3,
    PubAck = 4,
    SubAck = 9,
    PingResp = 13,
};

// One packet from a broker. Topic and Payload only for PUBLISH; PacketId for PUBLISH at QoS > 0,
// PUBACK and SUBACK; ReturnCode for CONNACK (0: accepted) and SUBACK (its first grant).
struct TPacket {
    std::uint8_t Type = 0;  // the fixed header's upper four bits (TKind for the ones above)
    int Qos = 0;
    std::uint16_t PacketId = 0;
    std::uint8_t ReturnCode = 0;
    std::string Topic;
    std::string Payload;
};

enum class TTake { Packet, NeedMore, Malformed };

// Reads the whole packet that starts at `at` in `in` (bytes as read, possibly ending in a part of
// one) into `packet` and moves `at` past it: NeedMore while it is incomplete, Malformed when the
// stream cannot be MQTT. The caller drops the bytes before `at` once it has read all it can.
TTake TakePacket(const std::string& in, std::size_t& at, TPacket& packet);

}  // namespace MqttPackets
