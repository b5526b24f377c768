#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "core/stop_request.h"
#include "report/ipmi_transport.h"

namespace ipmi {

// The RMC's vendor commands.
constexpr unsigned char kRMCNetFn = 0x3A;
constexpr unsigned char kRMCCLICommand = 0x80;
constexpr unsigned char kRMCDoorbellCommand = 0x81;

// The in-band IPMI path to the RMC: plain request/response exchanges on the device this object
// opens, the RMC CLI channel (a named command and a text payload cut into 60-byte packets,
// network function 0x3A, command 0x80) and the door-bell poll (command 0x81).
class IPMIUtils {
  public:
    // Opens the IPMI device; without one every exchange of this object fails at once.
    // A thread under a stop request (core/stop_request.h) is obeyed: once the request is made,
    // waits for the channel, the driver or a reply end within a slice and no further request
    // is sent. An exchange cut short this way counts as failed.
    IPMIUtils();
    virtual ~IPMIUtils();
    IPMIUtils(const IPMIUtils&) = delete;
    IPMIUtils& operator=(const IPMIUtils&) = delete;

    // One IPMI exchange (the LUN is not used: requests go to LUN 0). Copies at most
    // responseLength bytes of the reply, after its completion code, to response. True when a
    // reply with completion code 0 was received.
    bool execute(unsigned char netfn, unsigned char cmd, unsigned char lun,
                 unsigned char const* data, unsigned char const& dataLength,
                 unsigned char* response, unsigned char const& responseLength);

    // Sends one RMC CLI command packet by packet on this object's device. Returns 1 when the
    // transfer ran to its end (statuses left as they were) or the RMC stopped it with a
    // transfer status above 2 (both statuses stored), 0 when an exchange failed, -1 when the
    // command could not be sent at all (an unusable command name or payload, or no memory).
    int RMC_CLI_Exec(std::string command, std::string payload, unsigned char* transferStatus,
                     unsigned char* exitStatus);

    // Runs one RMC CLI command on a device of its own, under the RMC lock. Returns 0 when the
    // RMC accepted the whole command, 1 otherwise (the reason has been logged; a command given
    // up because the calling thread's stop was requested is not logged as an RMC failure).
    static int RMC_CLI_Cmd_Execution(std::string command, std::string payload);

    // What became of one RMC CLI command: the RMC took it; it did not reach the RMC (no
    // device, no answer, an error reply, a full or busy RMC, a stop) and may be sent again; or
    // the RMC refused it for good (a command it does not support, a payload too long for it,
    // a command that cannot be sent at all), so sending it again cannot help.
    enum class Delivery { Delivered, NotDelivered, Refused };
    // RMC_CLI_Cmd_Execution, telling the two kinds of failure apart.
    static Delivery RMC_CLI_Cmd_Deliver(std::string command, std::string payload);

    // One door-bell poll: true when the RMC's door-bell text asks for "WriteInventory".
    bool checkIPMIDBRequest();

    // Installs the transport every device object opened from now on uses; nullptr restores
    // the host's IPMI driver.
    static void setTransport(std::shared_ptr<IPMITransport> transport);

  private:
    // One exchange; copied receives the number of response bytes written.
    bool exchange(unsigned char netfn, unsigned char cmd, const unsigned char* data,
                  size_t dataLength, unsigned char* response, size_t responseLength,
                  size_t& copied);

    static std::shared_ptr<IPMITransport> currentTransport();

    static bool stopRequested() { return orbStopRequested(); }

    // The right to put one RMC CLI transfer or door-bell poll on the wire, process-wide, so
    // packets of two commands never interleave. Waiting for it ends when a stop comes first:
    // a service being stopped need not wait for another one's transfer to an RMC that does not
    // answer.
    class ChannelTurn {
      public:
        ChannelTurn();
        ~ChannelTurn();
        ChannelTurn(const ChannelTurn&) = delete;
        ChannelTurn& operator=(const ChannelTurn&) = delete;
        bool held() const { return taken; }

      private:
        bool taken = false;
    };
    // Waits for the reply to the request just sent, at most the transport's reply limit.
    bool waitForReply();
    // The pause after a completed transfer; a stop ends it.
    void pauseAfterCommand();

    // Guard whether a ChannelTurn is held; freed signals its release.
    static std::mutex mlock;
    static std::condition_variable freed;
    static bool channelBusy;

    std::shared_ptr<IPMITransport> transport;
    int fd = -1;
};

}  // namespace ipmi
