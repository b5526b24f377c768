#include "core/shell_command.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct PipeCloser {
    void operator()(FILE* pipe) const {
        if (pipe != nullptr) {
            pclose(pipe);
        }
    }
};

int exitStatusOf(int waitStatus) {
    if (waitStatus == -1) {
        return -1;
    }
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    // Killed by a signal: report it the way the shell does.
    if (WIFSIGNALED(waitStatus)) {
        return 128 + WTERMSIG(waitStatus);
    }
    return -1;
}

}  // namespace

std::string orbShellQuote(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('\'');
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted.push_back(c);
        }
    }
    quoted.push_back('\'');
    return quoted;
}

int orbRunShellCommand(const std::string& commandLine, std::vector<std::string>& output,
                       size_t chunkSize) {
    if (chunkSize < 2) {
        chunkSize = 2;
    }
    std::unique_ptr<FILE, PipeCloser> pipe(popen(commandLine.c_str(), "r"));
    if (!pipe) {
        return -1;
    }
    std::string buffer(chunkSize, '\0');
    while (fgets(&buffer[0], static_cast<int>(chunkSize), pipe.get()) != nullptr) {
        output.emplace_back(buffer.c_str());
    }
    return exitStatusOf(pclose(pipe.release()));
}

int orbRunShellCommand(const std::string& commandLine) {
    return exitStatusOf(std::system(commandLine.c_str()));
}
