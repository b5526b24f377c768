#include <json/json.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "orbhost.h"

namespace {

bool parse(const std::string& text, Json::Value& value) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    return reader->parse(text.data(), text.data() + text.size(), &value, &errors);
}

// inspect rmc-log FILE: what the simulated RMC recorded (ORB_SIM_RMC_LOG), readably: each
// inventory pretty-printed, each event on one line.
int showRmcLog(const orbhost::Options&, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: orbhost inspect rmc-log FILE\n");
        return 2;
    }
    std::ifstream in(args[0]);
    if (!in) {
        std::fprintf(stderr, "orbhost: cannot read %s\n", args[0].c_str());
        return 1;
    }
    Json::StreamWriterBuilder pretty;
    pretty["indentation"] = "  ";
    int number = 0;
    std::string line;
    while (std::getline(in, line)) {
        Json::Value record;
        if (!parse(line, record) || !record.isObject()) {
            std::printf("?? unreadable record: %s\n", line.c_str());
            continue;
        }
        const std::string command = record.get("command", "").asString();
        const std::string payload = record.get("payload", "").asString();
        std::printf("#%d %s: %u packets, transfer status %u, exit status %u\n", ++number,
                    command.c_str(), record.get("packets", 0).asUInt(),
                    record.get("transfer_status", 0).asUInt(),
                    record.get("exit_status", 0).asUInt());
        Json::Value document;
        if (!parse(payload, document)) {
            std::printf("   %s\n", payload.c_str());
        } else if (command == "WriteInventory") {
            std::printf("%s\n", Json::writeString(pretty, document).c_str());
        } else {
            std::printf("   event %d: %s\n", document.get("ID", 0).asInt(), payload.c_str());
        }
    }
    return 0;
}

const orbhost::InspectCommand rmcLog("rmc-log", "FILE  print what the simulated RMC recorded",
                                     showRmcLog);

}  // namespace
