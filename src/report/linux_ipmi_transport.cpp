#include <fcntl.h>
#include <linux/ipmi.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/shell_command.h"
#include "core/stop_request.h"
#include "report/ipmi_transport.h"

namespace ipmi {

namespace {

const char* const kTag = "IPMI";
const char* const kDevicePath = "/dev/ipmi0";
const char* const kProcDevicesPath = "/proc/devices";

// The driver stack that provides /dev/ipmi0, loaded in this order.
const char* const kIPMIModules[] = {"ipmi_msghandler", "ipmi_si", "ipmi_devintf", "ipmi_watchdog",
                                    "ipmi_ssif"};

// Loaded modules take a moment to find the controller and register the device.
constexpr std::chrono::seconds kModuleLoadWait{3};

int openDeviceNode() {
    return ::open(orbRootPath(kDevicePath).c_str(), O_RDWR | O_CLOEXEC);
}

// Loads the IPMI driver modules and creates the device node with the major number the driver
// registered as "ipmidev"; everything the tools print is discarded. A stop request of the
// calling thread cuts the tools short and ends the wait for the driver within a slice, so a
// host without IPMI never holds up a stop.
void loadDriverAndCreateNode() {
    for (const char* module : kIPMIModules) {
        orbRunShellCommand(std::string("modprobe ") + module + " > /dev/null 2>&1",
                           ORB_SHELL_QUICK_DEADLINE);
    }
    const std::string major = "\"$(awk '$2 == \"ipmidev\" { print $1 }' " +
                              orbShellQuote(orbRootPath(kProcDevicesPath)) + " 2>/dev/null)\"";
    orbRunShellCommand("mknod -m 0600 " + orbShellQuote(orbRootPath(kDevicePath)) + " c " + major +
                           " 0 > /dev/null 2>&1",
                       ORB_SHELL_QUICK_DEADLINE);
    const auto loaded = std::chrono::steady_clock::now() + kModuleLoadWait;
    while (!orbStopRequested() && std::chrono::steady_clock::now() < loaded) {
        std::this_thread::sleep_for(kStopCheckSlice);
    }
}

class LinuxIPMITransport : public IPMITransport {
  public:
    int openDevice() override {
        int fd = openDeviceNode();
        for (int attempt = 0; fd < 0 && attempt < 2 && !orbStopRequested(); ++attempt) {
            loadDriverAndCreateNode();
            fd = openDeviceNode();
        }
        if (fd < 0) {
            int error = errno;
            ORB_LOG_DEBUG(kTag, "Cannot open %s: %s", kDevicePath, std::strerror(error));
        }
        return fd;
    }

    int sendRequest(int fd, const IPMIRequest& request) override {
        ipmi_system_interface_addr address{};
        address.addr_type = IPMI_SYSTEM_INTERFACE_ADDR_TYPE;
        address.channel = IPMI_BMC_CHANNEL;
        address.lun = 0;

        ipmi_req req{};
        req.addr = reinterpret_cast<unsigned char*>(&address);
        req.addr_len = sizeof(address);
        req.msgid = 0;  // replies are not matched by id: one request is outstanding at a time
        req.msg.netfn = request.netfn;
        req.msg.cmd = request.cmd;
        req.msg.data_len = request.length;
        // The driver only reads the request data.
        req.msg.data = request.length > 0 ? const_cast<unsigned char*>(request.data) : nullptr;
        if (::ioctl(fd, IPMICTL_SEND_COMMAND, &req) < 0) {
            return errno != 0 ? errno : EIO;
        }
        return 0;
    }

    // poll rather than select: an fd_set cannot hold a descriptor at or above FD_SETSIZE, and
    // the host process may well have that many open.
    IPMIWait waitForReply(int fd, std::chrono::milliseconds limit) override {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd readable{fd, POLLIN, 0};
            int ready =
                ::poll(&readable, 1, static_cast<int>(std::max<long long>(0, left.count())));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0) {
                return IPMIWait::Failed;
            }
            if (ready == 0) {
                return IPMIWait::TimedOut;
            }
            return (readable.revents & POLLIN) != 0 ? IPMIWait::Readable : IPMIWait::Failed;
        }
    }

    bool receiveReply(int fd, IPMIReply& reply) override {
        unsigned char address[kIPMIAddressBufferSize] = {};
        ipmi_recv recv{};
        recv.addr = address;
        recv.addr_len = sizeof(address);
        recv.msg.data = reply.data.data();
        recv.msg.data_len = static_cast<unsigned short>(reply.data.size());
        // The truncating receive reports an oversized reply as EMSGSIZE after filling the
        // buffer: the truncated reply is what was asked for.
        if (::ioctl(fd, IPMICTL_RECEIVE_MSG_TRUNC, &recv) < 0 && errno != EMSGSIZE) {
            return false;
        }
        reply.length = std::min<size_t>(recv.msg.data_len, reply.data.size());
        return true;
    }

    void closeDevice(int fd) override { ::close(fd); }
};

}  // namespace

std::shared_ptr<IPMITransport> defaultIPMITransport() {
    return std::make_shared<LinuxIPMITransport>();
}

}  // namespace ipmi
