#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "report/ipmi_transport.h"

// A management controller in the same process, reached through the IPMI transport seam:
//
//   auto rmc = std::make_shared<orbsim::SimulatedRMC>();
//   ipmi::IPMIUtils::setTransport(rmc);
//
// It checks every RMC CLI packet against the packet layout the RMC requires, reassembles the
// payload, answers with handles and transfer statuses, and answers door-bell polls. Tests tell
// it which answers to give and read back what it received. With ORB_SIM_RMC_LOG set, every
// transfer it ends is appended to that file as one JSON line with the keys "command",
// "payload", "packets", "transfer_status" and "exit_status". With ORB_SIM_RMC_OUTAGE set to
// "START,SECONDS" it answers nothing (CLI packets and door-bell polls alike) from START seconds
// after it was created, for SECONDS seconds, as an RMC that restarts.

namespace orbsim {

// Ways an IPMI exchange can fail.
enum class ExchangeFault {
    SendFails,       // the driver refuses the request
    NoReply,         // the request is lost and no reply ever comes
    ShortReply,      // a reply shorter than the command's answer
    CompletionCode,  // an IPMI error reply; its data would read as an answer (a CLI reply of
                     // zeros, or the door-bell text)
};

// One CLI transfer the RMC ended: run to its last packet, or refused with a transfer status
// above 2.
struct RMCCommand {
    std::string command;
    std::string payload;  // what arrived, without the terminating zero
    unsigned packets = 0;
    unsigned char transferStatus = 0;  // the status of the last packet's answer
    unsigned char exitStatus = 0;
};

class SimulatedRMC : public ipmi::IPMITransport {
  public:
    SimulatedRMC();

    int openDevice() override;
    int sendRequest(int fd, const ipmi::IPMIRequest& request) override;
    ipmi::IPMIWait waitForReply(int fd, std::chrono::milliseconds limit) override;
    bool receiveReply(int fd, ipmi::IPMIReply& reply) override;
    void closeDevice(int fd) override;
    std::chrono::milliseconds replyTimeout() const override;
    std::chrono::milliseconds commandPause() const override;

    // Timing the host sees: how long it waits for a reply (a lost reply costs that long) and
    // how long it pauses after each command. Both default to the host's own values.
    void setReplyTimeout(std::chrono::milliseconds timeout);
    void setCommandPause(std::chrono::milliseconds pause);

    // No device: every open fails.
    void setDeviceMissing(bool missing);

    // Answers packet number `packet` (1 is the first) of every later transfer with this
    // transfer status and exit status. A status above 2 ends the transfer there.
    void answerTransferStatus(unsigned packet, unsigned char status, unsigned char exitStatus = 0);
    // Fails the exchange of packet number `packet` of every later transfer.
    void failPacket(unsigned packet, ExchangeFault fault, unsigned char completionCode = 0xC0);
    // Fails every later door-bell poll.
    void failDoorbellPoll(ExchangeFault fault, unsigned char completionCode = 0xC0);
    // Fails every exchange (CLI packets and door-bell polls) from `from` after now for
    // `duration`, then answers again: an RMC that restarts, or with a long duration one that
    // never answers. The transfer it was in is lost. clearFaults ends it.
    void startOutage(std::chrono::milliseconds from, std::chrono::milliseconds duration,
                     ExchangeFault fault = ExchangeFault::NoReply);
    void clearFaults();
    // The exit status of the commands the RMC runs (0 unless told otherwise).
    void setExitStatus(unsigned char exitStatus);

    // Puts text into the door bell, answered to every poll until a "WriteInventory" command
    // arrives. A real RMC holds at most 254 bytes; longer texts (up to 271 bytes, what one
    // IPMI reply holds) show that the host reads no more than it asked for.
    void ringDoorbell(const std::string& text);

    // Whether the RMC keeps in memory what it has seen (it does unless told otherwise): a
    // long run, which has the log file, keeps nothing, so that its memory stays flat.
    void keepRecord(bool keep);

    // What the RMC has seen.
    std::vector<RMCCommand> commands() const;
    std::vector<std::vector<unsigned char>> packets() const;  // every CLI request delivered
    std::vector<std::string> protocolErrors() const;
    unsigned doorbellPolls() const;
    size_t openDescriptors() const;

  private:
    struct Transfer {
        std::string command;
        size_t expected = 0;  // payload bytes with the terminating zero
        std::string received;
        unsigned packets = 0;
        unsigned handle = 0;
    };
    struct PacketRule {
        unsigned packet = 0;
        bool failExchange = false;
        ExchangeFault fault = ExchangeFault::SendFails;
        unsigned char completionCode = 0;
        unsigned char transferStatus = 0;
        unsigned char exitStatus = 0;
    };
    struct Pending {
        bool silent = false;
        ipmi::IPMIReply reply;
    };
    struct Outage {
        std::chrono::steady_clock::time_point begin;
        std::chrono::steady_clock::time_point end;
        ExchangeFault fault = ExchangeFault::NoReply;
    };

    std::vector<unsigned char> answerCLIPacket(const std::vector<unsigned char>& packet);
    std::vector<unsigned char> refuse(const std::string& why);
    void endTransfer(unsigned char transferStatus, unsigned char exitStatus);
    std::string doorbellText();
    const PacketRule* ruleFor(unsigned packet, bool failing) const;
    const PacketRule* outageRule();
    unsigned takeHandle();
    void appendToLog(const RMCCommand& command) const;

    mutable std::mutex mutex;
    const std::chrono::steady_clock::time_point start;
    std::chrono::milliseconds timeout = ipmi::kIPMIReplyTimeout;
    std::chrono::milliseconds pause = ipmi::kRMCCommandPause;
    bool deviceMissing = false;

    int nextFd = 100;
    std::set<int> open;
    std::map<int, Pending> pending;

    std::optional<Transfer> transfer;
    unsigned nextHandle = 0x3C01;
    unsigned char commandExitStatus = 0;
    std::vector<PacketRule> rules;
    std::optional<PacketRule> doorbellFault;
    std::optional<Outage> outage;
    PacketRule outageFault;

    std::string doorbell;

    bool keep = true;
    std::vector<RMCCommand> ended;
    std::vector<std::vector<unsigned char>> delivered;
    std::vector<std::string> errors;
    unsigned polls = 0;
};

}  // namespace orbsim
