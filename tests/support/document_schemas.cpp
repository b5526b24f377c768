#include "support/document_schemas.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

#include "report/json_text.h"
#include "sim/rmc/simulated_rmc.h"
#include "support/test_environment.h"

namespace orbtest {

std::string schemaViolations(const orbsim::SimulatedRMC& rmc) {
    std::string lines;
    size_t documents = 0;
    for (const orbsim::RMCCommand& command : rmc.commands()) {
        if (command.transferStatus > 2 ||
            (command.command != "WriteInventory" && command.command != "MPEventGen")) {
            continue;
        }
        Json::Value entry(Json::objectValue);
        entry["command"] = command.command;
        entry["payload"] = command.payload;
        lines += orbJsonOneLine(entry) + "\n";
        ++documents;
    }
    if (documents == 0) {
        return std::string();
    }
    const std::string file = rootPath("/scratch/documents-" + std::to_string(getpid()) + ".jsonl");
    if (!writeFile(file, lines)) {
        return "cannot write " + file;
    }
    // Debian's interpreter, whose python3-jsonschema the test scripts install, before any other.
    const std::string python =
        access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    const std::string command = python + " " + sourcePath("tests/support/validate_documents.py") +
                                " " + sourcePath("docs/schema") + " " + file + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "cannot run " + command;
    }
    std::string report;
    std::array<char, 1024> chunk{};
    size_t got = 0;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
        report.append(chunk.data(), got);
    }
    const int status = pclose(pipe);
    unlink(file.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::string() : report;
}

}  // namespace orbtest
