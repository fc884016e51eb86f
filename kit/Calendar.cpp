#include "kit/Calendar.h"

#include <algorithm>
#include <ctime>

namespace kit {

namespace {

DateComponents localComponents(std::chrono::sys_seconds moment) {
    const std::time_t time = static_cast<std::time_t>(moment.time_since_epoch().count());
    std::tm fields{};
    if (localtime_r(&time, &fields) == nullptr) return {};
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

DateComponents shiftedComponents(std::chrono::sys_seconds moment, std::chrono::seconds offset) {
    using namespace std::chrono;
    const sys_seconds local = moment + offset;
    const sys_days day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss time{local - day};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count())};
}

} // namespace

Calendar Calendar::current() {
    // Re-reads TZ, so a zone change reaches the next file name.
    tzset();
    return Calendar(std::nullopt);
}

Calendar Calendar::fixedOffset(std::chrono::seconds utcOffset) {
    constexpr std::chrono::seconds day{86400};
    return Calendar(std::clamp(utcOffset, -day, day));
}

DateComponents Calendar::components(std::chrono::system_clock::time_point moment) const {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(moment);
    return utcOffset_ ? shiftedComponents(seconds, *utcOffset_) : localComponents(seconds);
}

} // namespace kit
