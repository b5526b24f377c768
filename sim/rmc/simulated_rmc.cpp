#include "sim/rmc/simulated_rmc.h"

#include <json/json.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace orbsim {

namespace {

// The wire as the RMC firmware reads it.
constexpr unsigned char kNetFn = 0x3A;
constexpr unsigned char kCLICommand = 0x80;
constexpr unsigned char kDoorbellCommand = 0x81;
constexpr size_t kPacketSize = 60;
constexpr unsigned char kFirstMarker = 0x14;
constexpr size_t kNameBegin = 3;
constexpr size_t kNameEnd = 23;  // the name and its zero end before the length field
constexpr size_t kLengthBegin = 23;
constexpr size_t kFirstPayloadBegin = 27;
constexpr size_t kNextPayloadBegin = 3;
constexpr unsigned char kErrorInIndex = 3;
constexpr unsigned char kInvalidCommand = 0xC1;
constexpr unsigned char kInvalidDataLength = 0xC7;
const char* const kInventoryCommand = "WriteInventory";

std::string describe(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string describe(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

bool allZero(const std::vector<unsigned char>& bytes, size_t from, size_t to) {
    return std::all_of(bytes.begin() + from, bytes.begin() + to,
                       [](unsigned char byte) { return byte == 0; });
}

}  // namespace

SimulatedRMC::SimulatedRMC() : start(std::chrono::steady_clock::now()) {
    const char* planned = std::getenv("ORB_SIM_RMC_OUTAGE");
    long from = 0;
    long seconds = 0;
    if (planned != nullptr && std::sscanf(planned, "%ld,%ld", &from, &seconds) == 2 && from >= 0 &&
        seconds > 0) {
        outage = Outage{start + std::chrono::seconds(from),
                        start + std::chrono::seconds(from) + std::chrono::seconds(seconds),
                        ExchangeFault::NoReply};
    }
}

int SimulatedRMC::openDevice() {
    std::lock_guard<std::mutex> guard(mutex);
    if (deviceMissing) {
        return -1;
    }
    int fd = nextFd++;
    open.insert(fd);
    return fd;
}

int SimulatedRMC::sendRequest(int fd, const ipmi::IPMIRequest& request) {
    std::lock_guard<std::mutex> guard(mutex);
    if (open.count(fd) == 0) {
        errors.push_back(describe("request on descriptor %d, which is not open", fd));
        return EBADF;
    }
    std::vector<unsigned char> data;
    if (request.length > 0) {
        if (request.data == nullptr) {
            errors.push_back(describe("request of %u bytes without data", request.length));
            return EFAULT;
        }
        data.assign(request.data, request.data + request.length);
    }

    std::vector<unsigned char> reply;  // completion code first
    bool silent = false;
    if (request.netfn != kNetFn ||
        (request.cmd != kCLICommand && request.cmd != kDoorbellCommand)) {
        errors.push_back(
            describe("unknown request: netfn 0x%02x, cmd 0x%02x", request.netfn, request.cmd));
        reply = {kInvalidCommand};
    } else if (request.cmd == kDoorbellCommand) {
        if (!data.empty()) {
            errors.push_back(describe("door-bell poll with %zu data bytes", data.size()));
            reply = {kInvalidDataLength};
        } else {
            const PacketRule* fault = outageRule();
            if (fault == nullptr && doorbellFault) {
                fault = &*doorbellFault;
            }
            if (fault != nullptr && fault->fault == ExchangeFault::SendFails) {
                return EIO;
            }
            ++polls;
            const std::string text = doorbellText();
            reply = {0};
            reply.insert(reply.end(), text.begin(),
                         text.begin() + std::min(text.size(), ipmi::kIPMIDataBufferSize - 1));
            if (fault != nullptr) {
                silent = fault->fault == ExchangeFault::NoReply;
                if (fault->fault == ExchangeFault::CompletionCode) {
                    reply[0] = fault->completionCode;
                } else if (fault->fault == ExchangeFault::ShortReply) {
                    reply = {0};  // the completion code alone
                }
            }
        }
    } else {
        unsigned number = 1;
        bool firstPacket =
            data.size() >= 3 && data[0] == 0 && data[1] == 0 && data[2] == kFirstMarker;
        if (!firstPacket && transfer) {
            number = transfer->packets + 1;
        }
        const PacketRule* failing = outageRule();
        if (failing == nullptr) {
            failing = ruleFor(number, true);
        }
        if (failing != nullptr && failing->fault == ExchangeFault::SendFails) {
            return EIO;
        }
        if (keep) {
            delivered.push_back(data);
        }
        if (failing == nullptr) {
            reply = answerCLIPacket(data);
        } else if (failing->fault == ExchangeFault::NoReply) {
            silent = true;
        } else if (failing->fault == ExchangeFault::ShortReply) {
            reply = {0, 0, 0};
        } else {
            // Zero data after the error code: a host that ignored the code would read
            // transfer status 0 and think the packet was taken.
            reply = {failing->completionCode, 0, 0, 0, 0};
        }
    }

    Pending answer;
    answer.silent = silent;
    std::copy(reply.begin(), reply.end(), answer.reply.data.begin());
    answer.reply.length = reply.size();
    pending[fd] = answer;
    return 0;
}

std::vector<unsigned char> SimulatedRMC::answerCLIPacket(const std::vector<unsigned char>& packet) {
    if (packet.size() != kPacketSize) {
        return refuse(describe("CLI packet of %zu bytes, not %zu", packet.size(), kPacketSize));
    }
    const unsigned handle = packet[0] | (packet[1] << 8);
    size_t begin = kNextPayloadBegin;
    if (handle == 0) {
        if (packet[2] != kFirstMarker) {
            return refuse(describe("first packet: byte 2 is 0x%02x, not 0x14", packet[2]));
        }
        auto nameEnd = std::find(packet.begin() + kNameBegin, packet.begin() + kNameEnd, 0);
        if (nameEnd == packet.begin() + kNameEnd) {
            return refuse("first packet: the command name is not terminated within bytes 3-22");
        }
        if (nameEnd == packet.begin() + kNameBegin) {
            return refuse("first packet: empty command name");
        }
        const size_t nameLength = static_cast<size_t>(nameEnd - packet.begin()) - kNameBegin;
        if (!allZero(packet, kNameBegin + nameLength, kNameEnd)) {
            return refuse("first packet: bytes after the command name are not zero");
        }
        uint32_t length = 0;
        for (size_t i = 0; i < 4; ++i) {
            length |= static_cast<uint32_t>(packet[kLengthBegin + i]) << (8 * i);
        }
        if (length == 0) {
            return refuse("first packet: length 0 (the terminating zero counts)");
        }
        // A new first packet abandons whatever transfer the host gave up on.
        transfer = Transfer{};
        transfer->command.assign(packet.begin() + kNameBegin, nameEnd);
        transfer->expected = length;
        begin = kFirstPayloadBegin;
    } else {
        if (!transfer) {
            return refuse(describe("packet with handle 0x%04x, but no transfer is open", handle));
        }
        if (handle != transfer->handle) {
            return refuse(describe("packet with handle 0x%04x, but the last one given was 0x%04x",
                                   handle, transfer->handle));
        }
        if (packet[2] != 0) {
            return refuse(describe("later packet: byte 2 is 0x%02x, not 0x00", packet[2]));
        }
    }

    const size_t chunk =
        std::min(kPacketSize - begin, transfer->expected - transfer->received.size());
    if (!allZero(packet, begin + chunk, kPacketSize)) {
        return refuse(
            describe("packet %u: bytes past the payload are not zero", transfer->packets + 1));
    }
    transfer->received.append(packet.begin() + begin, packet.begin() + begin + chunk);
    ++transfer->packets;
    const bool complete = transfer->received.size() == transfer->expected;
    if (complete && transfer->received.back() != '\0') {
        return refuse("the payload does not end with its terminating zero");
    }

    const PacketRule* rule = ruleFor(transfer->packets, false);
    unsigned char status = complete ? 0 : 1;
    unsigned char exitStatus = complete ? commandExitStatus : 0;
    if (rule != nullptr) {
        status = rule->transferStatus;
        exitStatus = rule->exitStatus;
    }
    const unsigned next = takeHandle();
    transfer->handle = next;
    std::vector<unsigned char> reply = {0, status, static_cast<unsigned char>(next & 0xFF),
                                        static_cast<unsigned char>(next >> 8), exitStatus};
    if (complete || status > 2) {
        endTransfer(status, exitStatus);
    }
    return reply;
}

std::vector<unsigned char> SimulatedRMC::refuse(const std::string& why) {
    errors.push_back(why);
    transfer.reset();
    return {0, kErrorInIndex, 0, 0, 0};
}

void SimulatedRMC::endTransfer(unsigned char transferStatus, unsigned char exitStatus) {
    RMCCommand command;
    command.command = transfer->command;
    command.payload = transfer->received;
    const bool complete = transfer->received.size() == transfer->expected;
    if (complete) {
        command.payload.pop_back();
    }
    command.packets = transfer->packets;
    command.transferStatus = transferStatus;
    command.exitStatus = exitStatus;
    transfer.reset();
    // The inventory the door bell asked for has arrived.
    if (complete && transferStatus <= 2 && command.command == kInventoryCommand) {
        doorbell.clear();
    }
    appendToLog(command);
    if (keep) {
        ended.push_back(std::move(command));
    }
}

void SimulatedRMC::appendToLog(const RMCCommand& command) const {
    const char* path = std::getenv("ORB_SIM_RMC_LOG");
    if (path == nullptr || *path == '\0') {
        return;
    }
    Json::Value line(Json::objectValue);
    line["command"] = command.command;
    line["payload"] = command.payload;
    line["packets"] = command.packets;
    line["transfer_status"] = command.transferStatus;
    line["exit_status"] = command.exitStatus;
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    std::ofstream log(path, std::ios::app | std::ios::binary);
    log << Json::writeString(writer, line) << '\n';
}

std::string SimulatedRMC::doorbellText() {
    return doorbell;
}

const SimulatedRMC::PacketRule* SimulatedRMC::ruleFor(unsigned packet, bool failing) const {
    for (auto rule = rules.rbegin(); rule != rules.rend(); ++rule) {
        if (rule->packet == packet && rule->failExchange == failing) {
            return &*rule;
        }
    }
    return nullptr;
}

const SimulatedRMC::PacketRule* SimulatedRMC::outageRule() {
    if (!outage) {
        return nullptr;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= outage->end) {
        outage.reset();
        return nullptr;
    }
    if (now < outage->begin) {
        return nullptr;
    }
    // A restarting controller forgets the transfer it was in.
    transfer.reset();
    outageFault = PacketRule{};
    outageFault.failExchange = true;
    outageFault.fault = outage->fault;
    outageFault.completionCode = 0xC0;
    return &outageFault;
}

unsigned SimulatedRMC::takeHandle() {
    // A fresh handle with every answer, so a host that echoes anything but the latest one is
    // caught.
    const unsigned handle = nextHandle;
    nextHandle = (nextHandle + 1) & 0xFFFF;
    if (nextHandle == 0) {
        nextHandle = 1;
    }
    return handle;
}

ipmi::IPMIWait SimulatedRMC::waitForReply(int fd, std::chrono::milliseconds limit) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (open.count(fd) == 0) {
            errors.push_back(describe("wait on descriptor %d, which is not open", fd));
            return ipmi::IPMIWait::Failed;
        }
        auto answer = pending.find(fd);
        if (answer != pending.end() && !answer->second.silent) {
            return ipmi::IPMIWait::Readable;
        }
    }
    std::this_thread::sleep_for(limit);
    return ipmi::IPMIWait::TimedOut;
}

bool SimulatedRMC::receiveReply(int fd, ipmi::IPMIReply& reply) {
    std::lock_guard<std::mutex> guard(mutex);
    auto answer = pending.find(fd);
    if (answer == pending.end() || answer->second.silent) {
        errors.push_back(describe("receive on descriptor %d with no reply waiting", fd));
        return false;
    }
    reply = answer->second.reply;
    pending.erase(answer);
    return true;
}

void SimulatedRMC::closeDevice(int fd) {
    std::lock_guard<std::mutex> guard(mutex);
    if (open.erase(fd) == 0) {
        errors.push_back(describe("close of descriptor %d, which is not open", fd));
    }
    pending.erase(fd);
}

std::chrono::milliseconds SimulatedRMC::replyTimeout() const {
    std::lock_guard<std::mutex> guard(mutex);
    return timeout;
}

std::chrono::milliseconds SimulatedRMC::commandPause() const {
    std::lock_guard<std::mutex> guard(mutex);
    return pause;
}

void SimulatedRMC::setReplyTimeout(std::chrono::milliseconds value) {
    std::lock_guard<std::mutex> guard(mutex);
    timeout = value;
}

void SimulatedRMC::setCommandPause(std::chrono::milliseconds value) {
    std::lock_guard<std::mutex> guard(mutex);
    pause = value;
}

void SimulatedRMC::setDeviceMissing(bool missing) {
    std::lock_guard<std::mutex> guard(mutex);
    deviceMissing = missing;
}

void SimulatedRMC::answerTransferStatus(unsigned packet, unsigned char status,
                                        unsigned char exitStatus) {
    std::lock_guard<std::mutex> guard(mutex);
    PacketRule rule;
    rule.packet = packet;
    rule.transferStatus = status;
    rule.exitStatus = exitStatus;
    rules.push_back(rule);
}

void SimulatedRMC::failPacket(unsigned packet, ExchangeFault fault, unsigned char completionCode) {
    std::lock_guard<std::mutex> guard(mutex);
    PacketRule rule;
    rule.packet = packet;
    rule.failExchange = true;
    rule.fault = fault;
    rule.completionCode = completionCode;
    rules.push_back(rule);
}

void SimulatedRMC::failDoorbellPoll(ExchangeFault fault, unsigned char completionCode) {
    std::lock_guard<std::mutex> guard(mutex);
    PacketRule rule;
    rule.failExchange = true;
    rule.fault = fault;
    rule.completionCode = completionCode;
    doorbellFault = rule;
}

void SimulatedRMC::startOutage(std::chrono::milliseconds from, std::chrono::milliseconds duration,
                               ExchangeFault fault) {
    std::lock_guard<std::mutex> guard(mutex);
    const auto begin = std::chrono::steady_clock::now() + from;
    outage = Outage{begin, begin + duration, fault};
}

void SimulatedRMC::clearFaults() {
    std::lock_guard<std::mutex> guard(mutex);
    rules.clear();
    doorbellFault.reset();
    outage.reset();
}

void SimulatedRMC::setExitStatus(unsigned char exitStatus) {
    std::lock_guard<std::mutex> guard(mutex);
    commandExitStatus = exitStatus;
}

void SimulatedRMC::ringDoorbell(const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex);
    doorbell = text;
}

void SimulatedRMC::keepRecord(bool keepIt) {
    std::lock_guard<std::mutex> guard(mutex);
    keep = keepIt;
}

std::vector<RMCCommand> SimulatedRMC::commands() const {
    std::lock_guard<std::mutex> guard(mutex);
    return ended;
}

std::vector<std::vector<unsigned char>> SimulatedRMC::packets() const {
    std::lock_guard<std::mutex> guard(mutex);
    return delivered;
}

std::vector<std::string> SimulatedRMC::protocolErrors() const {
    std::lock_guard<std::mutex> guard(mutex);
    return errors;
}

unsigned SimulatedRMC::doorbellPolls() const {
    std::lock_guard<std::mutex> guard(mutex);
    return polls;
}

size_t SimulatedRMC::openDescriptors() const {
    std::lock_guard<std::mutex> guard(mutex);
    return open.size();
}

}  // namespace orbsim
