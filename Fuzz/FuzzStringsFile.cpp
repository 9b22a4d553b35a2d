// Catalog tables come from translators and packagers: any bytes may reach the parser, any key
// the reading of plural entries ("key|few"), and any value the format step with arguments that
// do not fit its placeholders.

#include "Platform/Text/PluralRules.hpp"
#include "Platform/Text/StringFormat.hpp"
#include "Platform/Text/StringsFile.hpp"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto file = tvk::StringsFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const tvk::FormatArgument arguments[]
        = { tvk::FormatArgument("text"), tvk::FormatArgument(std::int64_t(-42)), tvk::FormatArgument("7") };
    for (const auto& entry : file.entries) {
        (void)tvk::StringFormat::argumentKinds(entry.value);
        (void)tvk::StringFormat::format(entry.value, arguments);
        (void)tvk::StringFormat::format(entry.key, {});
        if (auto plural = tvk::PluralRules::splitEntryKey(entry.key))
            (void)tvk::PluralRules::entryKey(plural->first, plural->second);
    }
    return 0;
}
