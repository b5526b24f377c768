// Replies of the RMC: whatever the controller answers to CLI packets and door-bell polls,
// the host reads no byte past what it received or asked for, and a failed exchange is never
// taken for an accepted command.
//
// Input: a sequence of replies, one per exchange, each [flags][length][length bytes]. Flags:
// 1 the reply claims more bytes than the buffer holds, 2 the send fails, 4 no reply comes,
// 8 the receive fails. When the input runs out, every later send fails.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/logger.h"
#include "report/ipmi_transport.h"
#include "report/ipmi_utils.h"

namespace {

class ScriptedTransport : public ipmi::IPMITransport {
  public:
    ScriptedTransport(const uint8_t* data, size_t size) : data(data), size(size) {}

    int openDevice() override { return 3; }
    int sendRequest(int, const ipmi::IPMIRequest& request) override {
        if (request.length > 0 && request.data == nullptr) {
            __builtin_trap();
        }
        ++exchanges;
        if (offset + 2 > size) {
            return 5;
        }
        flags = data[offset];
        length = std::min<size_t>(data[offset + 1], size - offset - 2);
        body = data + offset + 2;
        offset += 2 + length;
        return (flags & 2) != 0 ? 5 : 0;
    }
    ipmi::IPMIWait waitForReply(int, std::chrono::milliseconds) override {
        return (flags & 4) != 0 ? ipmi::IPMIWait::TimedOut : ipmi::IPMIWait::Readable;
    }
    bool receiveReply(int, ipmi::IPMIReply& reply) override {
        if ((flags & 8) != 0) {
            return false;
        }
        std::copy(body, body + std::min(length, reply.data.size()), reply.data.begin());
        reply.length = (flags & 1) != 0 ? 100000 : length;
        return true;
    }
    void closeDevice(int) override {}
    std::chrono::milliseconds replyTimeout() const override { return std::chrono::milliseconds(0); }
    std::chrono::milliseconds commandPause() const override { return std::chrono::milliseconds(0); }

    unsigned exchanges = 0;

  private:
    const uint8_t* data;
    size_t size;
    size_t offset = 0;
    uint8_t flags = 0;
    size_t length = 0;
    const uint8_t* body = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Millions of failed exchanges would otherwise each write an error line.
    static const bool quiet = [] {
        CPlusPlusLogging::Logger::getInstance()->updateLogLevel(
            static_cast<CPlusPlusLogging::LOG_LEVEL>(5));
        return true;
    }();
    (void)quiet;

    auto transport = std::make_shared<ScriptedTransport>(data, size);
    ipmi::IPMIUtils::setTransport(transport);
    {
        ipmi::IPMIUtils device;
        (void)device.checkIPMIDBRequest();
        unsigned char transferStatus = 0;
        unsigned char exitStatus = 0;
        const std::string payload(200, 'p');  // four packets
        const unsigned before = transport->exchanges;
        int result = device.RMC_CLI_Exec("WriteInventory", payload, &transferStatus, &exitStatus);
        // A transfer that ran to its end took every packet; one that stopped says why.
        if (result == 1 && transferStatus == 0 && transport->exchanges - before != 4) {
            __builtin_trap();
        }
        if (result == 1 && transferStatus != 0 && transferStatus <= 2) {
            __builtin_trap();
        }
        (void)device.checkIPMIDBRequest();
    }
    ipmi::IPMIUtils::setTransport(nullptr);
    return 0;
}
