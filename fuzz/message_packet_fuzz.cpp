// A request as the command server reads it from its pipe, then its payload as a test-event
// request or an event to forward. The first byte picks how the rest is used: 0 the bytes of
// one read (a request only when exactly one packet), 1 and 2 the payload bytes of a whole
// packet (a test event, an event to forward), padded or cut to the packet's size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "report/forwarded_event.h"
#include "report/message_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t mode = data[0] % 3;
    std::vector<unsigned char> bytes;
    if (mode == 0) {
        bytes.assign(data + 1, data + size);
    } else {
        _ORB_MESSAGE_PACKET packet;
        std::memset(&packet, 0, sizeof(packet));
        packet.header.messageCode = mode == 1 ? kOrbTestEventCode : kOrbForwardEventCode;
        std::memcpy(packet.payload, data + 1, std::min(size - 1, kOrbPayloadSize));
        const auto* begin = reinterpret_cast<const unsigned char*>(&packet);
        bytes.assign(begin, begin + sizeof(packet));
    }

    orbClientRequest request;
    const bool decoded = orbDecodeRequest(bytes.data(), bytes.size(), request);
    if (decoded != (bytes.size() == kOrbMessagePacketSize)) {
        std::abort();
    }
    if (!decoded) {
        return 0;
    }
    if (request.payload.size() > kOrbPayloadSize ||
        request.payload.find('\0') != std::string::npos ||
        request.payloadTerminated != (request.payload.size() < kOrbPayloadSize)) {
        std::abort();
    }
    if (request.messageCode == kOrbTestEventCode) {
        int eventID = 0;
        std::string device;
        if (orbParseTestEventPayload(request.payload, eventID, device) &&
            (eventID < 0 || device.empty())) {
            std::abort();
        }
    } else {
        Json::Value document;
        std::string errors;
        if (orbParseClientEvent(request.payload, document, errors) &&
            (!document.isObject() || document.size() < 2)) {
            std::abort();
        }
    }
    int32_t result = 0;
    orbDecodeResponse(bytes.data(), bytes.size(), result);
    return 0;
}
