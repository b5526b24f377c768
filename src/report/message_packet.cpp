#include "report/message_packet.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/platform_path.h"

namespace {

const char* const kNoDevice = "FFFFFFFFFFFFFFFF";

}  // namespace

std::string orbRequestPipePath() {
    return orbRootPath("/var/run/vexorb");
}

std::string orbResponsePipePath(int32_t clientPID) {
    return orbRootPath("/var/run/vexorbcli" + std::to_string(clientPID));
}

bool orbDecodeRequest(const unsigned char* bytes, size_t length, orbClientRequest& request) {
    if (bytes == nullptr || length != kOrbMessagePacketSize) {
        return false;
    }
    _ORB_MESSAGE_PACKET packet;
    std::memcpy(&packet, bytes, sizeof(packet));
    request.messageCode = packet.header.messageCode;
    request.clientPID = packet.clientPID;
    // Never read past the packet: a client that sends no zero gets its text cut there.
    const size_t textLength = strnlen(packet.payload, kOrbPayloadSize);
    request.payload.assign(packet.payload, textLength);
    request.payloadTerminated = textLength < kOrbPayloadSize;
    return true;
}

bool orbEncodeRequest(uint16_t messageCode, int32_t clientPID, const std::string& payload,
                      _ORB_MESSAGE_PACKET& packet) {
    if (payload.size() >= kOrbPayloadSize || payload.find('\0') != std::string::npos) {
        return false;
    }
    std::memset(&packet, 0, sizeof(packet));
    packet.header.messageCode = messageCode;
    packet.clientPID = clientPID;
    std::memcpy(packet.payload, payload.data(), payload.size());
    return true;
}

void orbEncodeResponse(int32_t result, _ORB_MESSAGE_PACKET& packet) {
    std::memset(&packet, 0, sizeof(packet));
    packet.header.kind = kOrbResponseKind;
    packet.header.detail = kOrbResponseDetail;
    std::memcpy(packet.payload, &result, sizeof(result));
}

bool orbDecodeResponse(const unsigned char* bytes, size_t length, int32_t& result) {
    if (bytes == nullptr || length != kOrbMessagePacketSize) {
        return false;
    }
    _ORB_MESSAGE_PACKET packet;
    std::memcpy(&packet, bytes, sizeof(packet));
    if (packet.header.kind != kOrbResponseKind || packet.header.detail != kOrbResponseDetail) {
        return false;
    }
    std::memcpy(&result, packet.payload, sizeof(result));
    return true;
}

bool orbParseTestEventPayload(const std::string& payload, int& eventID, std::string& device) {
    const size_t blank = payload.find(' ');
    const std::string idText = payload.substr(0, blank);
    device = blank == std::string::npos ? std::string() : payload.substr(blank + 1);
    if (device.empty()) {
        device = kNoDevice;
    }
    eventID = 0;
    if (idText.empty() || idText.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(idText.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value > INT_MAX) {
        return false;
    }
    for (unsigned char c : device) {
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    eventID = static_cast<int>(value);
    return true;
}
