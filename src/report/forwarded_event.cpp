#include "report/forwarded_event.h"

#include <json/json.h>

#include <exception>
#include <memory>

#include "core/log.h"
#include "report/event_handler.h"
#include "report/json_text.h"
#include "report/message_packet.h"

namespace {

const char* const kTag = "ORB_SERVER";

}  // namespace

bool orbParseClientEvent(const std::string& text, Json::Value& document, std::string& errors) {
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &document, &errors)) {
            return false;
        }
    } catch (const std::exception& error) {
        // The reader throws on nesting deeper than it allows.
        errors = error.what();
        return false;
    }
    if (!document.isObject()) {
        errors = "the event is not a JSON object";
        return false;
    }
    if (document.size() < 2) {
        errors = "the event has fewer than two members";
        return false;
    }
    return true;
}

int orbForwardClientEvent(const std::string& payload) {
    ORB_LOG_INFO(kTag, "%s", payload.c_str());
    Json::Value document;
    std::string errors;
    if (!orbParseClientEvent(payload, document, errors)) {
        ORB_LOG_DEBUG(kTag, "Json packets are invalid");
        ORB_LOG_DEBUG(kTag, "Error: %s", errors.c_str());
        ORB_LOG_WARNING(kTag, "Forward request refused: %s; nothing sent.", errors.c_str());
        return kOrbRequestFailed;
    }
    document["Source"] = "ORB-CLI";
    return orbEventHandler::sendEventToRMC(orbJsonOneLine(document)) == 0 ? kOrbRequestDone
                                                                          : kOrbRequestFailed;
}
