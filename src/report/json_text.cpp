#include "report/json_text.h"

std::string orbJsonOneLine(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    std::string text = Json::writeString(builder, value);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}
