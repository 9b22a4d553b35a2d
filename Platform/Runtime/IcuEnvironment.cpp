#include "Platform/Runtime/IcuEnvironment.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <atomic>
#include <cstdlib>
#include <memory>

namespace tvk {

namespace {

const char* environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::atomic<std::uint64_t> zoneGeneration { 1 };

void adoptDefaultZone(icu::TimeZone* zone)
{
    icu::TimeZone::adoptDefault(zone);
    zoneGeneration.fetch_add(1);
}

bool setDefaultTimeZone(std::string_view identifier)
{
    auto zone = std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(identifier.data(), static_cast<int32_t>(identifier.size())))));
    icu::UnicodeString resolved;
    zone->getID(resolved);
    if (resolved == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID))
        return false;
    adoptDefaultZone(zone.release());
    return true;
}

void setDefaultLocale(std::string_view identifier)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(std::string(identifier).c_str()), status);
}

}

std::uint64_t IcuEnvironment::timeZoneGeneration()
{
    return zoneGeneration.load();
}

std::string IcuEnvironment::localeIdentifierFromPosix(std::string_view posixLocale)
{
    auto end = posixLocale.find_first_of(".@");
    std::string_view name = posixLocale.substr(0, end);
    if (name.empty() || name == "C" || name == "POSIX")
        return "en_US";
    return std::string(name);
}

void IcuEnvironment::configureFromEnvironment()
{
    if (const char* tz = environmentValue("TZ")) {
        std::string_view name(tz);
        if (name.front() == ':')
            name.remove_prefix(1);
        if (auto zoneinfo = name.find("zoneinfo/"); !name.empty() && name.front() == '/' && zoneinfo != std::string_view::npos)
            name.remove_prefix(zoneinfo + 9);
        if (!setDefaultTimeZone(name)) {
            PlatformLog::warning("Time", "unknown time zone \"" + std::string(tz) + "\" in TZ; using the system's zone");
            adoptDefaultZone(icu::TimeZone::detectHostTimeZone());
        }
    }
    const char* locale = environmentValue("LC_ALL");
    if (!locale)
        locale = environmentValue("LC_TIME");
    if (!locale)
        locale = environmentValue("LANG");
    setDefaultLocale(localeIdentifierFromPosix(locale ? locale : ""));
}

void IcuEnvironment::configure(std::string_view timeZoneIdentifier, std::string_view localeIdentifier)
{
    if (!setDefaultTimeZone(timeZoneIdentifier))
        PlatformLog::warning("Time", "unknown time zone \"" + std::string(timeZoneIdentifier) + "\"");
    setDefaultLocale(localeIdentifier);
}

std::string IcuEnvironment::defaultTimeZoneIdentifier()
{
    auto zone = std::unique_ptr<icu::TimeZone>(icu::TimeZone::createDefault());
    icu::UnicodeString identifier;
    zone->getID(identifier);
    std::string text;
    identifier.toUTF8String(text);
    return text;
}

std::string IcuEnvironment::defaultLocaleIdentifier()
{
    return icu::Locale::getDefault().getName();
}

}
