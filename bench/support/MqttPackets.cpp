#include "MqttPackets.h"

namespace MqttPackets {

namespace {

void AppendRemainingLength(std::string& out, std::size_t length) {
    do {
        std::uint8_t digit = length % 128;
        length /= 128;
        if (length > 0) digit |= 0x80;
        out += static_cast<char>(digit);
    } while (length > 0);
}

void AppendU16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xff);
}

void AppendText(std::string& out, const std::string& text) {
    AppendU16(out, static_cast<std::uint16_t>(text.size()));
    out += text;
}

std::uint16_t U16At(const std::string& in, std::size_t at) {
    return static_cast<std::uint16_t>((std::uint8_t(in[at]) << 8) | std::uint8_t(in[at + 1]));
}

}  // namespace

void AppendConnect(std::string& out, const std::string& clientId, std::uint16_t keepAliveSeconds,
                   const TWill& will) {
    const std::size_t length = 10 + 2 + clientId.size() + 2 + will.Topic.size() + 2 + will.Payload.size();
    out += '\x10';
    AppendRemainingLength(out, length);
    AppendText(out, "MQTT");
    out += '\x04';  // 3.1.1
    constexpr std::uint8_t CleanSession = 0x02, Will = 0x04, WillQos1 = 0x08, WillRetain = 0x20;
    out += static_cast<char>(CleanSession | Will | WillQos1 | WillRetain);
    AppendU16(out, keepAliveSeconds);
    AppendText(out, clientId);
    AppendText(out, will.Topic);
    AppendText(out, will.Payload);
}

void AppendPublish(std::string& out, const std::string& topic, const std::string& payload, int qos,
                   bool retain, std::uint16_t packetId) {
    out += static_cast<char>(0x30 | (qos << 1) | (retain ? 1 : 0));
    AppendRemainingLength(out, 2 + topic.size() + (qos > 0 ? 2 : 0) + payload.size());
    AppendText(out, topic);
    if (qos > 0) AppendU16(out, packetId);
    out += payload;
}

void AppendPubAck(std::string& out, std::uint16_t packetId) {
    out += '\x40';
    out += '\x02';
    AppendU16(out, packetId);
}

void AppendSubscribe(std::string& out, std::uint16_t packetId, const std::string& topic, int qos) {
    out += '\x82';
    AppendRemainingLength(out, 2 + 2 + topic.size() + 1);
    AppendU16(out, packetId);
    AppendText(out, topic);
    out += static_cast<char>(qos);
}

void AppendPingRequest(std::string& out) {
    out += '\xc0';
    out += '\x00';
}

void AppendDisconnect(std::string& out) {
    out += '\xe0';
    out += '\x00';
}

TTake TakePacket(const std::string& in, std::size_t& at, TPacket& packet) {
    std::size_t cursor = at;
    if (cursor >= in.size()) return TTake::NeedMore;
    const std::uint8_t header = std::uint8_t(in[cursor++]);
    std::size_t length = 0;
    for (int shift = 0;; shift += 7) {
        if (shift > 21) return TTake::Malformed;
        if (cursor >= in.size()) return TTake::NeedMore;
        const std::uint8_t digit = std::uint8_t(in[cursor++]);
        length |= std::size_t(digit & 0x7f) << shift;
        if (!(digit & 0x80)) break;
    }
    if (in.size() - cursor < length) return TTake::NeedMore;
    const std::size_t end = cursor + length;
    packet = TPacket{};
    packet.Type = header >> 4;
    switch (static_cast<TKind>(packet.Type)) {
        case TKind::ConnAck:
            if (length != 2) return TTake::Malformed;
            packet.ReturnCode = std::uint8_t(in[cursor + 1]);
            break;
        case TKind::Publish: {
            packet.Qos = (header >> 1) & 3;
            if (packet.Qos == 3 || length < 2) return TTake::Malformed;
            const std::size_t topicLength = U16At(in, cursor);
            cursor += 2;
            if (cursor + topicLength + (packet.Qos > 0 ? 2 : 0) > end) return TTake::Malformed;
            packet.Topic.assign(in, cursor, topicLength);
            cursor += topicLength;
            if (packet.Qos > 0) {
                packet.PacketId = U16At(in, cursor);
                cursor += 2;
            }
            packet.Payload.assign(in, cursor, end - cursor);
            break;
        }
        case TKind::PubAck:
            if (length != 2) return TTake::Malformed;
            packet.PacketId = U16At(in, cursor);
            break;
        case TKind::SubAck:
            if (length < 3) return TTake::Malformed;
            packet.PacketId = U16At(in, cursor);
            packet.ReturnCode = std::uint8_t(in[cursor + 2]);
            break;
        default:
            break;  // PINGRESP has no body; the rest is never sent to a client that asks as we do
    }
    at = end;
    return TTake::Packet;
}

}  // namespace MqttPackets
