// orbcli: asks the running service for a test event, or hands it a JSON event to forward to
// the RMC, through the service's request pipe; the answer comes back on a pipe of this
// process's own, named after its process ID.
#include <fcntl.h>
#include <json/json.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "core/platform_path.h"
#include "report/message_packet.h"

namespace {

enum Exit { kSuccess = 0, kRefused = 1, kUsage = 2, kNoService = 3 };

constexpr long kDefaultTimeoutSeconds = 20;
constexpr long kMaxTimeoutSeconds = 3600;

void printUsage(FILE* out) {
    std::fprintf(out,
                 "usage: orbcli [--timeout SECONDS] test-event ID [DEVICE]\n"
                 "       orbcli [--timeout SECONDS] forward FILE|-\n"
                 "       orbcli --help\n");
}

void printHelp() {
    std::printf(
        "orbcli talks to the running orb service through its request pipe /var/run/vexorb.\n\n");
    printUsage(stdout);
    std::printf(
        "\n"
        "  test-event ID [DEVICE]  ask the service for the test event ID (708: the service's\n"
        "                          own, listing the enabled and running resource types; other\n"
        "                          IDs: a sample event of the device family that raises them),\n"
        "                          about DEVICE (a WWN, say) where the family names one\n"
        "  forward FILE|-          hand the service a JSON event document (an object of at\n"
        "                          least two members, from FILE or standard input) to forward\n"
        "                          to the RMC with \"Source\" set to \"ORB-CLI\"\n"
        "  --timeout SECONDS       how long to wait for the answer (default %ld)\n"
        "\n"
        "exit status: 0 the event was sent to the RMC; 1 the request was refused or the event\n"
        "not delivered; 2 usage error; 3 no service answered.\n"
        "\n"
        "Only root may use the service's pipes. With ORB_ROOT set to an absolute folder, the\n"
        "pipes are taken below it, as the service takes them (a simulated host).\n",
        kDefaultTimeoutSeconds);
}

bool parseTimeout(const char* text, long& seconds) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > kMaxTimeoutSeconds) {
        return false;
    }
    seconds = value;
    return true;
}

bool isDecimal(const std::string& text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// The document to forward, read whole; false with a message when it cannot be sent.
bool readDocument(const std::string& source, std::string& text, std::string& problem) {
    std::ostringstream contents;
    if (source == "-") {
        contents << std::cin.rdbuf();
    } else {
        std::ifstream file(source, std::ios::binary);
        if (!file) {
            problem = "cannot read " + source + ": " + std::strerror(errno);
            return false;
        }
        contents << file.rdbuf();
    }
    text = contents.str();
    if (text.size() >= kOrbPayloadSize) {
        problem = "the document is " + std::to_string(text.size()) +
                  " bytes; one request holds at most " + std::to_string(kOrbPayloadSize - 1);
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        problem = "the document holds a zero byte";
        return false;
    }
    return true;
}

// The service forwards only an object of two members or more; saying so here names the fault.
bool checkDocument(const std::string& text, std::string& problem) {
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value document;
    std::string errors;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &document, &errors)) {
            problem = "the document is not valid JSON: " + errors;
            return false;
        }
    } catch (const std::exception& error) {
        problem = std::string("the document is not valid JSON: ") + error.what();
        return false;
    }
    if (!document.isObject() || document.size() < 2) {
        problem = "the document is not a JSON object of at least two members";
        return false;
    }
    return true;
}

// This process's response pipe, removed on every way out (a signal included).
char removeAtSignal[4096];

void removeAndExit(int signal) {
    unlink(removeAtSignal);
    _exit(128 + signal);
}

class ResponsePipe {
  public:
    explicit ResponsePipe(const std::string& path) : path(path) {}
    ~ResponsePipe() {
        if (fd >= 0) {
            close(fd);
        }
        if (made) {
            unlink(path.c_str());
        }
    }
    ResponsePipe(const ResponsePipe&) = delete;
    ResponsePipe& operator=(const ResponsePipe&) = delete;

    bool make(std::string& problem) {
        // A pipe of an earlier process with this ID is stale.
        unlink(path.c_str());
        if (path.size() >= sizeof(removeAtSignal)) {
            problem = "the response pipe's path is too long";
            return false;
        }
        std::memcpy(removeAtSignal, path.c_str(), path.size() + 1);
        signal(SIGINT, removeAndExit);
        signal(SIGTERM, removeAndExit);
        signal(SIGHUP, removeAndExit);
        if (mkfifo(path.c_str(), 0600) != 0) {
            error = errno;
            problem = "cannot make the response pipe " + path + ": " + std::strerror(error);
            return false;
        }
        made = true;
        // Open before the request goes out, so the service finds a reader at once.
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
            problem = "cannot open the response pipe " + path + ": " + std::strerror(error);
            return false;
        }
        return true;
    }

    // Waits until deadline for one whole response packet.
    bool await(std::chrono::steady_clock::time_point deadline, unsigned char* bytes) {
        size_t got = 0;
        while (got < kOrbMessagePacketSize) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd wait{fd, POLLIN, 0};
            const int ready =
                poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
            if (ready <= 0) {
                continue;
            }
            const ssize_t result = read(fd, bytes + got, kOrbMessagePacketSize - got);
            if (result > 0) {
                got += static_cast<size_t>(result);
            } else if (result == 0) {
                // A writer came and went without a whole answer; wait for another.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            } else if (errno != EAGAIN && errno != EINTR) {
                return false;
            }
        }
        return true;
    }

    // Why make() failed (an errno value).
    int error = 0;

  private:
    std::string path;
    bool made = false;
    int fd = -1;
};

// Writes the request; an exit status other than success when it could not be.
int sendRequest(const _ORB_MESSAGE_PACKET& packet, std::chrono::steady_clock::time_point deadline) {
    const std::string path = orbRequestPipePath();
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES) {
            std::fprintf(stderr, "orbcli: %s: permission denied (only root may use the service)\n",
                         path.c_str());
            return kRefused;
        }
        std::fprintf(
            stderr, "orbcli: no service answers: %s: %s\n", path.c_str(),
            errno == ENXIO ? "nobody reads it (is the service running?)" : std::strerror(errno));
        return kNoService;
    }
    struct stat info {};
    int status = kSuccess;
    if (fstat(fd, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        std::fprintf(stderr, "orbcli: no service answers: %s is not a pipe\n", path.c_str());
        status = kNoService;
    } else {
        signal(SIGPIPE, SIG_IGN);
        for (;;) {
            // One packet fits the pipe's atomic write: it goes in whole or not at all.
            const ssize_t written = write(fd, &packet, sizeof(packet));
            if (written == static_cast<ssize_t>(sizeof(packet))) {
                break;
            }
            if ((written < 0 && errno != EAGAIN && errno != EINTR) || written >= 0 ||
                std::chrono::steady_clock::now() >= deadline) {
                std::fprintf(stderr, "orbcli: no service answers: the request was not taken (%s)\n",
                             written < 0 ? std::strerror(errno) : "short write");
                status = kNoService;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    close(fd);
    return status;
}

int report(int32_t result, const std::string& what) {
    switch (result) {
        case kOrbRequestDone:
            std::printf("orbcli: %s: sent to the RMC\n", what.c_str());
            return kSuccess;
        case kOrbRequestFailed:
            std::printf(
                "orbcli: %s: not delivered (the RMC did not take it, the event is held back until "
                "the service has sent its first inventory, the device family raised no such "
                "event, or the service refused the document; its log says which)\n",
                what.c_str());
            return kRefused;
        case kOrbRequestInvalidEvent:
            std::printf("orbcli: %s: refused: the service knows no such event ID\n", what.c_str());
            return kRefused;
        default:
            std::printf("orbcli: %s: the service answered %d, which orbcli does not know\n",
                        what.c_str(), result);
            return kRefused;
    }
}

}  // namespace

int main(int argc, char** argv) {
    long timeoutSeconds = kDefaultTimeoutSeconds;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            printHelp();
            return kSuccess;
        }
        if (option == "--timeout" && i + 1 < argc && parseTimeout(argv[i + 1], timeoutSeconds)) {
            ++i;
            continue;
        }
        std::fprintf(stderr, "orbcli: bad option '%s'\n", option.c_str());
        printUsage(stderr);
        return kUsage;
    }
    if (i >= argc) {
        printUsage(stderr);
        return kUsage;
    }
    const std::string command = argv[i];
    const int operands = argc - i - 1;
    std::string payload;
    std::string what;
    uint16_t code = 0;
    if (command == "test-event" && (operands == 1 || operands == 2) && isDecimal(argv[i + 1])) {
        code = kOrbTestEventCode;
        payload = argv[i + 1];
        if (operands == 2) {
            payload += std::string(" ") + argv[i + 2];
        }
        what = std::string("test event ") + argv[i + 1];
    } else if (command == "forward" && operands == 1) {
        std::string problem;
        if (!readDocument(argv[i + 1], payload, problem)) {
            std::fprintf(stderr, "orbcli: %s\n", problem.c_str());
            return kUsage;
        }
        if (!checkDocument(payload, problem)) {
            std::fprintf(stderr, "orbcli: not sent: %s\n", problem.c_str());
            return kRefused;
        }
        code = kOrbForwardEventCode;
        what = "forwarded event";
    } else {
        printUsage(stderr);
        return kUsage;
    }

    _ORB_MESSAGE_PACKET packet;
    if (!orbEncodeRequest(code, static_cast<int32_t>(getpid()), payload, packet)) {
        std::fprintf(stderr, "orbcli: the request does not fit one packet\n");
        return kUsage;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    ResponsePipe response(orbResponsePipePath(static_cast<int32_t>(getpid())));
    std::string problem;
    if (!response.make(problem)) {
        std::fprintf(stderr, "orbcli: %s\n", problem.c_str());
        // Only root may make pipes where the service looks for them.
        return response.error == EACCES ? kRefused : kNoService;
    }
    const int sent = sendRequest(packet, deadline);
    if (sent != kSuccess) {
        return sent;
    }
    unsigned char answer[kOrbMessagePacketSize];
    if (!response.await(deadline, answer)) {
        std::fprintf(stderr, "orbcli: no service answers: no answer within %ld s\n",
                     timeoutSeconds);
        return kNoService;
    }
    int32_t result = 0;
    if (!orbDecodeResponse(answer, sizeof(answer), result)) {
        std::fprintf(stderr, "orbcli: the answer is not a response packet\n");
        return kRefused;
    }
    return report(result, what);
}
