#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <memory>

// How the service reaches the management controller: one IPMI request/response exchange at a
// time on an opened device. ipmi::IPMIUtils drives it; the production transport talks to the
// Linux IPMI driver on /dev/ipmi0, and a stand-in can take its place through
// ipmi::IPMIUtils::setTransport.

namespace ipmi {

// A reply that never comes must not hold the RMC lock for ever: nothing else could reach the
// RMC and no stop could finish. Fifteen seconds is far beyond any answer a working controller
// gives.
constexpr std::chrono::milliseconds kIPMIReplyTimeout{15000};

// The RMC needs time to digest a command before the next one arrives; the pause after every
// completed CLI transfer (taken under the RMC lock) spaces consecutive commands.
constexpr std::chrono::milliseconds kRMCCommandPause{500};

// A wait that a stop may end (for a reply, for the channel, for the driver to load) is taken
// in slices of this length, so a stop is obeyed within one slice.
constexpr std::chrono::milliseconds kStopCheckSlice{50};

// The receive buffers the Linux driver fills: the sender's address and the message data
// (completion code first).
constexpr size_t kIPMIAddressBufferSize = 40;
constexpr size_t kIPMIDataBufferSize = 272;

// One request to the controller's system interface (LUN 0).
struct IPMIRequest {
    unsigned char netfn = 0;
    unsigned char cmd = 0;
    const unsigned char* data = nullptr;  // nullptr when length is 0
    unsigned short length = 0;
};

// One reply as the driver hands it over, truncated to the data buffer: data[0] is the IPMI
// completion code and length counts it.
struct IPMIReply {
    std::array<unsigned char, kIPMIDataBufferSize> data{};
    size_t length = 0;
};

enum class IPMIWait { Readable, TimedOut, Failed };

class IPMITransport {
  public:
    virtual ~IPMITransport() = default;

    // Opens the device; returns a descriptor, or -1 when there is none.
    virtual int openDevice() = 0;
    // Sends one request; returns 0, or the error number of the failure.
    virtual int sendRequest(int fd, const IPMIRequest& request) = 0;
    // Waits at most limit for a reply to become readable.
    virtual IPMIWait waitForReply(int fd, std::chrono::milliseconds limit) = 0;
    // Reads one reply, truncated to the data buffer; false when nothing could be read.
    virtual bool receiveReply(int fd, IPMIReply& reply) = 0;
    virtual void closeDevice(int fd) = 0;

    // How long a request waits for its reply.
    virtual std::chrono::milliseconds replyTimeout() const { return kIPMIReplyTimeout; }
    // The pause after each completed CLI transfer.
    virtual std::chrono::milliseconds commandPause() const { return kRMCCommandPause; }
};

// The transport of the host: the Linux IPMI driver on /dev/ipmi0.
std::shared_ptr<IPMITransport> defaultIPMITransport();

}  // namespace ipmi
