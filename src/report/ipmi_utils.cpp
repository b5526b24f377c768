#include "report/ipmi_utils.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

#include "core/log.h"

namespace ipmi {

namespace {

const char* const kTag = "IPMI";

// A service told to stop must be off the channel within a fraction of its two-second stop
// budget, so every wait on the channel or the device is taken in slices this long.

std::mutex& transportMutex() {
    static std::mutex mutex;
    return mutex;
}

// Never destroyed: the service threads are joined by their owners' destructors at exit, and
// may still send until then, whatever order the static objects are destroyed in.
std::shared_ptr<IPMITransport>& installedTransport() {
    static auto* const transport = new std::shared_ptr<IPMITransport>();
    return *transport;
}

}  // namespace

std::mutex IPMIUtils::mlock;
std::condition_variable IPMIUtils::freed;
bool IPMIUtils::channelBusy = false;

void IPMIUtils::setTransport(std::shared_ptr<IPMITransport> transport) {
    std::lock_guard<std::mutex> guard(transportMutex());
    installedTransport() = std::move(transport);
}

std::shared_ptr<IPMITransport> IPMIUtils::currentTransport() {
    std::lock_guard<std::mutex> guard(transportMutex());
    std::shared_ptr<IPMITransport>& installed = installedTransport();
    if (!installed) {
        installed = defaultIPMITransport();
    }
    return installed;
}

IPMIUtils::IPMIUtils() : transport(currentTransport()) {
    fd = transport->openDevice();
}

IPMIUtils::~IPMIUtils() {
    if (fd >= 0) {
        transport->closeDevice(fd);
    }
}

bool IPMIUtils::execute(unsigned char netfn, unsigned char cmd, unsigned char /*lun*/,
                        unsigned char const* data, unsigned char const& dataLength,
                        unsigned char* response, unsigned char const& responseLength) {
    size_t copied = 0;
    return exchange(netfn, cmd, data, dataLength, response, responseLength, copied);
}

bool IPMIUtils::exchange(unsigned char netfn, unsigned char cmd, const unsigned char* data,
                         size_t dataLength, unsigned char* response, size_t responseLength,
                         size_t& copied) {
    copied = 0;
    if (fd < 0 || stopRequested()) {
        return false;
    }
    if (dataLength > std::numeric_limits<unsigned short>::max() ||
        (dataLength > 0 && data == nullptr) || (responseLength > 0 && response == nullptr)) {
        return false;
    }
    ORB_LOG_DEBUG(kTag, "rs %d\n", static_cast<int>(responseLength));

    IPMIRequest request;
    request.netfn = netfn;
    request.cmd = cmd;
    request.length = static_cast<unsigned short>(dataLength);
    request.data = dataLength > 0 ? data : nullptr;
    int error = transport->sendRequest(fd, request);
    if (error != 0) {
        ORB_LOG_DEBUG(kTag, "Request ioctl failure with error code : %d", error);
        return false;
    }

    if (!waitForReply()) {
        return false;
    }

    IPMIReply reply;
    if (!transport->receiveReply(fd, reply)) {
        ORB_LOG_DEBUG(kTag, "Response ioctl failure");
        return false;
    }
    // Never trust a length beyond the buffer the reply was read into.
    const size_t received = std::min(reply.length, reply.data.size());
    if (received == 0) {
        ORB_LOG_DEBUG(kTag, "IPMI response without a completion code");
        return false;
    }
    // An error reply carries no answer of the RMC, whatever bytes follow its code.
    if (reply.data[0] != 0) {
        ORB_LOG_DEBUG(kTag, "IPMI completion code 0x%x", reply.data[0]);
        return false;
    }
    const size_t n = std::min(responseLength, received - 1);
    ORB_LOG_DEBUG(kTag, "size %d, rs %d, dl %d\n", static_cast<int>(n),
                  static_cast<int>(responseLength), static_cast<int>(received));
    if (n > 0) {
        std::memcpy(response, reply.data.data() + 1, n);
    }
    copied = n;
    return true;
}

bool IPMIUtils::waitForReply() {
    const std::chrono::milliseconds limit = transport->replyTimeout();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ORB_LOG_DEBUG(kTag, "No IPMI response within %lld ms",
                          static_cast<long long>(limit.count()));
            return false;
        }
        switch (transport->waitForReply(fd, std::min(left, kStopCheckSlice))) {
            case IPMIWait::Readable:
                return true;
            case IPMIWait::Failed:
                return false;
            case IPMIWait::TimedOut:
                break;
        }
        if (stopRequested()) {
            ORB_LOG_DEBUG(kTag, "Wait for the IPMI response given up: stop requested");
            return false;
        }
    }
}

IPMIUtils::ChannelTurn::ChannelTurn() {
    std::unique_lock<std::mutex> lock(mlock);
    while (channelBusy) {
        if (stopRequested()) {
            return;
        }
        freed.wait_for(lock, kStopCheckSlice);
    }
    channelBusy = true;
    taken = true;
}

IPMIUtils::ChannelTurn::~ChannelTurn() {
    if (!taken) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mlock);
        channelBusy = false;
    }
    freed.notify_all();
}

void IPMIUtils::pauseAfterCommand() {
    const auto deadline = std::chrono::steady_clock::now() + transport->commandPause();
    while (!stopRequested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        std::this_thread::sleep_for(std::min(left, kStopCheckSlice));
    }
}

}  // namespace ipmi
