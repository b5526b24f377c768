#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "core/log.h"
#include "report/ipmi_utils.h"

namespace ipmi {

namespace {

const char* const kTag = "IPMI";

// The 60-byte CLI request packet. The first packet of a transfer names the command and the
// length of what follows; every later packet carries the handle of the previous reply and
// payload only.
constexpr size_t kPacketSize = 60;
constexpr size_t kHandleOffset = 0;
constexpr size_t kMarkerOffset = 2;
constexpr unsigned char kFirstPacketMarker = 0x14;
constexpr size_t kNameOffset = 3;
constexpr size_t kMaxNameLength = 19;  // plus its terminating zero, up to the length field
constexpr size_t kLengthOffset = 23;
constexpr size_t kFirstPayloadOffset = 27;
constexpr size_t kFirstPayloadRoom = kPacketSize - kFirstPayloadOffset;  // 33
constexpr size_t kNextPayloadOffset = 3;
constexpr size_t kNextPayloadRoom = kPacketSize - kNextPayloadOffset;  // 57

// The 4-byte CLI reply.
constexpr size_t kReplySize = 4;
constexpr size_t kTransferStatus = 0;
constexpr size_t kReplyHandle = 1;
constexpr size_t kExitStatus = 3;
constexpr unsigned char kLastGoodTransferStatus = 2;

// Failures of the channel are logged once per outage, not once per attempt: while the RMC keeps
// failing, services that retry would otherwise fill the log. Used only by the holder of the
// channel turn.
unsigned failedCommands = 0;

orbLogKind failureKind() {
    return failedCommands == 0 ? orbLogKind::Error : orbLogKind::Debug;
}

using Packet = std::array<unsigned char, kPacketSize>;
using Reply = std::array<unsigned char, kReplySize>;

struct FreeDeleter {
    void operator()(unsigned char* buffer) const { free(buffer); }
};

bool isSendableName(const std::string& command) {
    return !command.empty() && command.size() <= kMaxNameLength &&
           command.find('\0') == std::string::npos;
}

void writeFirstPacket(Packet& packet, const std::string& command, uint32_t totalLength) {
    packet.fill(0);
    packet[kMarkerOffset] = kFirstPacketMarker;
    std::memcpy(packet.data() + kNameOffset, command.data(), command.size());
    for (size_t i = 0; i < 4; ++i) {
        packet[kLengthOffset + i] = static_cast<unsigned char>(totalLength >> (8 * i));
    }
}

void writeNextPacket(Packet& packet, const Reply& previous) {
    packet.fill(0);
    packet[kHandleOffset] = previous[kReplyHandle];
    packet[kHandleOffset + 1] = previous[kReplyHandle + 1];
}

// The RMC does not support the command, or the payload is longer than it takes: the same
// command fails the same way however often it is sent. Every other status (a full or busy RMC,
// a lost index) passes.
bool refusesForGood(unsigned char transferStatus) {
    return transferStatus == 5 || transferStatus == 8;
}

void logTransferStatus(orbLogKind kind, unsigned char transferStatus, unsigned char exitStatus,
                       size_t payloadLength) {
    const char* reason = nullptr;
    switch (transferStatus) {
        case 3:
            reason = "Error in index";
            break;
        case 4:
            reason = "Cli entries full";
            break;
        case 5:
            reason = "Provided command not supported";
            break;
        case 6:
            reason = "Memory could not be allocated";
            break;
        case 8:
            ORB_LOG(kind, kTag,
                    "Transfer Status is 0x%x[Request command length exceeded] and Cmd Exit "
                    "Status is 0x%x. Payload size:%zu",
                    transferStatus, exitStatus, payloadLength);
            return;
        default:
            ORB_LOG(kind, kTag, "RMC Cli Command Execution failed");
            return;
    }
    ORB_LOG(kind, kTag, "Transfer Status is 0x%x[%s] and Cmd Exit Status is 0x%x", transferStatus,
            reason, exitStatus);
}

}  // namespace

int IPMIUtils::RMC_CLI_Exec(std::string command, std::string payload, unsigned char* transferStatus,
                            unsigned char* exitStatus) {
    // The name travels NUL-terminated in bytes 3-22; a longer one would overwrite the length
    // field, and an embedded zero would send another command than the one asked for.
    if (!isSendableName(command)) {
        ORB_LOG_ERROR(kTag, "RMC command name \"%s\" is not 1 to %zu characters long",
                      command.c_str(), kMaxNameLength);
        return -1;
    }
    // The length field is 32 bits wide and counts the terminating zero.
    if (payload.size() >= std::numeric_limits<uint32_t>::max()) {
        ORB_LOG_ERROR(kTag, "Payload of %zu bytes is too long for the RMC", payload.size());
        return -1;
    }
    const size_t total = payload.size() + 1;
    std::unique_ptr<unsigned char, FreeDeleter> buffer(
        static_cast<unsigned char*>(calloc(total, 1)));
    if (!buffer) {
        ORB_LOG_ERROR(kTag, "Error while allocating memory for cmd buffer");
        return -1;
    }
    std::memcpy(buffer.get(), payload.data(), payload.size());

    Packet packet{};
    Reply reply{};
    size_t sent = 0;
    bool first = true;
    // Every transfer opens with the full first packet (name, length and up to 33 payload
    // bytes), so the RMC always learns which command and how much follows; 57-byte
    // continuation packets carry the rest.
    while (true) {
        size_t offset = kNextPayloadOffset;
        size_t room = kNextPayloadRoom;
        if (first) {
            writeFirstPacket(packet, command, static_cast<uint32_t>(total));
            offset = kFirstPayloadOffset;
            room = kFirstPayloadRoom;
        } else {
            writeNextPacket(packet, reply);
        }
        const size_t chunk = std::min(room, total - sent);
        std::memcpy(packet.data() + offset, buffer.get() + sent, chunk);
        sent += chunk;

        // A stale reply must never pass for the answer to this packet.
        reply.fill(0);
        size_t copied = 0;
        bool answered = exchange(kRMCNetFn, kRMCCLICommand, packet.data(), packet.size(),
                                 reply.data(), reply.size(), copied);
        if (!answered || copied < kReplySize) {
            *transferStatus = reply[kTransferStatus];
            *exitStatus = reply[kExitStatus];
            return 0;
        }
        if (reply[kTransferStatus] > kLastGoodTransferStatus) {
            *transferStatus = reply[kTransferStatus];
            *exitStatus = reply[kExitStatus];
            return 1;
        }
        first = false;
        if (sent == total) {
            break;
        }
    }
    pauseAfterCommand();
    return 1;
}

int IPMIUtils::RMC_CLI_Cmd_Execution(std::string command, std::string payload) {
    return RMC_CLI_Cmd_Deliver(std::move(command), std::move(payload)) == Delivery::Delivered ? 0
                                                                                              : 1;
}

IPMIUtils::Delivery IPMIUtils::RMC_CLI_Cmd_Deliver(std::string command, std::string payload) {
    // The device is opened before the channel is taken: on a host whose driver must first be
    // loaded, that takes seconds, which other commands need not spend waiting for the channel.
    IPMIUtils device;
    ChannelTurn turn;
    if (!turn.held()) {
        ORB_LOG_DEBUG(kTag, "RMC command %s not sent: stop requested", command.c_str());
        return Delivery::NotDelivered;
    }
    ORB_LOG_DEBUG(kTag, "Command to be executed on RMC : %s %s", command.c_str(), payload.c_str());

    unsigned char transferStatus = 0;
    unsigned char exitStatus = 0;
    int result = device.RMC_CLI_Exec(command, payload, &transferStatus, &exitStatus);
    if (result == -1) {
        return Delivery::Refused;
    }
    if (result == 1 && transferStatus == 0) {
        if (failedCommands > 0) {
            ORB_LOG_INFO(kTag, "RMC CLI commands succeed again after %u failed", failedCommands);
            failedCommands = 0;
        }
        return Delivery::Delivered;
    }
    if (result == 0 && stopRequested()) {
        // Not an RMC failure: the transfer was abandoned, and the command counts as not sent.
        ORB_LOG_DEBUG(kTag, "RMC command %s given up: stop requested", command.c_str());
        return Delivery::NotDelivered;
    }
    if (result == 1 && refusesForGood(transferStatus)) {
        // The RMC is answering; only this command is unwelcome, so it is no outage.
        logTransferStatus(orbLogKind::Error, transferStatus, exitStatus, payload.size());
        return Delivery::Refused;
    }
    if (result == 1) {
        logTransferStatus(failureKind(), transferStatus, exitStatus, payload.size());
    } else {
        ORB_LOG(failureKind(), kTag, "Error occurred while executing RMC_CLI_Exec");
    }
    ++failedCommands;
    return Delivery::NotDelivered;
}

}  // namespace ipmi
