#include "report/ipmi_utils.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "core/log.h"

namespace ipmi {

namespace {

const char* const kTag = "IPMI";

std::mutex& transportMutex() {
    static std::mutex mutex;
    return mutex;
}

// Function-local, so the transport outlives every static object that might still send.
std::shared_ptr<IPMITransport>& installedTransport() {
    static std::shared_ptr<IPMITransport> transport;
    return transport;
}

}  // namespace

std::mutex IPMIUtils::mlock;

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
    if (fd < 0) {
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

    const std::chrono::milliseconds limit = transport->replyTimeout();
    switch (transport->waitForReply(fd, limit)) {
        case IPMIWait::Readable:
            break;
        case IPMIWait::TimedOut:
            ORB_LOG_DEBUG(kTag, "No IPMI response within %lld ms",
                          static_cast<long long>(limit.count()));
            return false;
        case IPMIWait::Failed:
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

}  // namespace ipmi
