#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The record the local command client and the service exchange through their named pipes,
// always whole: 4096 bytes, packed, integers in the host's byte order. The client writes a
// request to the service's request pipe; the service answers on the client's response pipe,
// named after the client's process ID.
#pragma pack(push, 1)
struct _ORB_MESSAGE_HEADER {
    uint8_t kind;          // 9 in responses; not examined in requests
    uint8_t reserved[2];   // zero
    uint16_t messageCode;  // 258 asks for a test event; any other code forwards a JSON event
    uint32_t detail;       // 8 in responses; not examined in requests
};

struct _ORB_MESSAGE_PACKET {
    _ORB_MESSAGE_HEADER header;
    int32_t clientPID;  // names the client's response pipe
    uint8_t reserved[4];
    // Requests: text ended by a zero. Responses: the signed 32-bit result, zeros after.
    char payload[4079];
};
#pragma pack(pop)

static_assert(sizeof(_ORB_MESSAGE_PACKET) == 4096, "clients exchange exactly 4096 bytes");
static_assert(offsetof(_ORB_MESSAGE_PACKET, header) + offsetof(_ORB_MESSAGE_HEADER, kind) == 0,
              "kind at byte 0");
static_assert(offsetof(_ORB_MESSAGE_HEADER, messageCode) == 3, "message code at byte 3");
static_assert(offsetof(_ORB_MESSAGE_HEADER, detail) == 5, "detail at byte 5");
static_assert(offsetof(_ORB_MESSAGE_PACKET, clientPID) == 9, "client PID at byte 9");
static_assert(offsetof(_ORB_MESSAGE_PACKET, payload) == 17, "payload at byte 17");

constexpr size_t kOrbMessagePacketSize = sizeof(_ORB_MESSAGE_PACKET);
constexpr size_t kOrbPayloadSize = sizeof(_ORB_MESSAGE_PACKET::payload);
constexpr uint16_t kOrbTestEventCode = 258;
// What the client sends to forward a JSON event; the service takes any code but 258 as one.
constexpr uint16_t kOrbForwardEventCode = 259;
constexpr uint8_t kOrbResponseKind = 9;
constexpr uint32_t kOrbResponseDetail = 8;

// The answers to a request: the event was sent; it was not (the RMC did not take it, it was
// held back until the first inventory goes out, or the JSON was refused); the event ID is not
// one the service knows.
constexpr int32_t kOrbRequestDone = 0;
constexpr int32_t kOrbRequestFailed = 1;
constexpr int32_t kOrbRequestInvalidEvent = -1;

// Where the pipes are: the service's request pipe and a client's response pipe.
std::string orbRequestPipePath();
std::string orbResponsePipePath(int32_t clientPID);

// A request as received, its payload cut at its terminating zero or at the packet's end.
struct orbClientRequest {
    uint16_t messageCode = 0;
    int32_t clientPID = 0;
    std::string payload;
    bool payloadTerminated = false;  // false: the client sent no terminating zero
};

// A request from the bytes one read gave; false unless they are exactly one packet.
bool orbDecodeRequest(const unsigned char* bytes, size_t length, orbClientRequest& request);
// A request packet; false when the payload does not fit (with its zero) or holds a zero.
bool orbEncodeRequest(uint16_t messageCode, int32_t clientPID, const std::string& payload,
                      _ORB_MESSAGE_PACKET& packet);
void orbEncodeResponse(int32_t result, _ORB_MESSAGE_PACKET& packet);
// The result of a response; false unless the bytes are one packet marked as a response.
bool orbDecodeResponse(const unsigned char* bytes, size_t length, int32_t& result);

// The payload of a test-event request: an event ID in decimal, optionally one blank and a
// device identifier ("FFFFFFFFFFFFFFFF" when none is given). False when the ID is not a whole
// decimal number in range or the identifier holds control characters.
bool orbParseTestEventPayload(const std::string& payload, int& eventID, std::string& device);
