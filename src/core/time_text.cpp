#include "core/time_text.h"

#include <cstdio>
#include <ctime>

namespace {

bool localNow(std::tm& out) {
    std::time_t now = std::time(nullptr);
    return localtime_r(&now, &out) != nullptr;
}

}  // namespace

std::string orbLogTimeText() {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (!localNow(tm) || tm.tm_mon < 0 || tm.tm_mon > 11) {
        return std::string();
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%s %d %02d:%02d:%02d", kMonths[tm.tm_mon], tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

std::string orbTimestampText() {
    std::tm tm{};
    if (!localNow(tm)) {
        return std::string();
    }
    char text[64];
    size_t length = std::strftime(text, sizeof(text), "%F %T", &tm);
    return std::string(text, length);
}
