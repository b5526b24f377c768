#pragma once

#include <json/json.h>

#include <string>

// A JSON value as one line of text, keys in sorted order: the form every document sent to
// the RMC takes.
std::string orbJsonOneLine(const Json::Value& value);
