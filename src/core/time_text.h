#pragma once

#include <string>

// Local time for log lines: three-letter month, day without leading zero, HH:MM:SS
// ("Jan 5 13:05:09").
std::string orbLogTimeText();

// Local time as "%F %T" ("2024-01-31 13:05:09"), used in events and records.
std::string orbTimestampText();
