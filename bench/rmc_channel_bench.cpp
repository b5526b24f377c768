// What cutting a payload into RMC CLI packets costs per byte, against a plain copy of the same
// payload. The transport takes every packet and answers at once, and the pause the RMC needs
// after each command is set to zero through the transport, so only the host's own work is
// timed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "report/ipmi_transport.h"
#include "report/ipmi_utils.h"

namespace {

class AcceptingTransport : public ipmi::IPMITransport {
  public:
    int openDevice() override { return 3; }
    int sendRequest(int, const ipmi::IPMIRequest& request) override {
        benchmark::DoNotOptimize(request.data);
        return 0;
    }
    ipmi::IPMIWait waitForReply(int, std::chrono::milliseconds) override {
        return ipmi::IPMIWait::Readable;
    }
    bool receiveReply(int, ipmi::IPMIReply& reply) override {
        handle = handle == 0xFFFF ? 1 : handle + 1;
        reply.data[0] = 0;  // completion code
        reply.data[1] = 1;  // packet taken, more expected
        reply.data[2] = static_cast<unsigned char>(handle);
        reply.data[3] = static_cast<unsigned char>(handle >> 8);
        reply.data[4] = 0;
        reply.length = 5;
        return true;
    }
    void closeDevice(int) override {}
    std::chrono::milliseconds commandPause() const override { return std::chrono::milliseconds(0); }

  private:
    unsigned handle = 0;
};

std::string inventoryLikePayload(size_t length) {
    static const char kText[] = R"({"HostDataCollection":{"StorageControllers":[{"Name":"x"}]}})";
    std::string payload(length, ' ');
    for (size_t i = 0; i < length; ++i) {
        payload[i] = kText[i % (sizeof(kText) - 1)];
    }
    return payload;
}

void BM_RMCChannelTransfer(benchmark::State& state) {
    ipmi::IPMIUtils::setTransport(std::make_shared<AcceptingTransport>());
    const std::string payload = inventoryLikePayload(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        int result = ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("WriteInventory", payload);
        if (result != 0) {
            state.SkipWithError("the transfer failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    ipmi::IPMIUtils::setTransport(nullptr);
}

void BM_PlainCopy(benchmark::State& state) {
    const std::string payload = inventoryLikePayload(static_cast<size_t>(state.range(0)));
    std::vector<char> target(payload.size());
    for (auto _ : state) {
        std::memcpy(target.data(), payload.data(), payload.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_RMCChannelTransfer)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_PlainCopy)->Arg(64 << 10)->Arg(1 << 20);

}  // namespace
