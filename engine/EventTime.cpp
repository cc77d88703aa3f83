#include "EventTime.h"

#include <cstdio>
#include <ctime>

std::string MonotonicSeconds(const EventTime &at)
{
    const auto ns = at.monotonic.count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(ns / 1000000000),
                  static_cast<long long>(ns % 1000000000 / 1000));
    return text;
}

std::string UtcTime(const EventTime &at)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at.wall);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.wall.time_since_epoch()).count() %
        1000;
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &fields);
    return text + std::string(".") + std::to_string(1000 + ms).substr(1) + "Z";
}
