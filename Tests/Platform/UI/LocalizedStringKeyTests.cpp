#include "Platform/UI/LocalizedStringKey.hpp"
#include "Platform/UI/StringTableLocalizer.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::ui;

namespace {

std::string format(std::string_view text, std::vector<LocalizedStringKey::Argument> arguments = {})
{
    return LocalizedStringKey::format(text, arguments);
}

const std::string moreEvents = "^[%lld more events](inflect: true)";

/// A widget's own string table in English, German and Russian, with the count line in plural
/// forms (Russian with the four categories its numbers take), and a key only English has.
struct WidgetTable {
    test::TemporaryDirectory directory;
    std::shared_ptr<ResourceBundle> bundle;

    WidgetTable()
    {
        directory.write("Widget.bundle/en.lproj/Localizable.strings",
            "\"" + moreEvents + "|one\" = \"%lld more event\";\n\"" + moreEvents + "|other\" = \"%lld more events\";\n"
                + "\"Widget.upcomingEvent.nextEvent\" = \"Next event\";\n\"Widget.onlyInEnglish\" = \"Only in English\";\n");
        directory.write("Widget.bundle/de.lproj/Localizable.strings",
            "\"" + moreEvents + "|one\" = \"%lld weiterer Termin\";\n\"" + moreEvents + "|other\" = \"%lld weitere Termine\";\n"
                + "\"Widget.upcomingEvent.nextEvent\" = \"Nächster Termin\";\n");
        directory.write("Widget.bundle/ru.lproj/Localizable.strings",
            "\"" + moreEvents + "|one\" = \"ещё %lld событие\";\n\"" + moreEvents + "|few\" = \"ещё %lld события\";\n\"" + moreEvents
                + "|many\" = \"ещё %lld событий\";\n\"" + moreEvents + "|other\" = \"ещё %lld события\";\n");
        bundle = std::shared_ptr<ResourceBundle>(ResourceBundle::open(directory / "Widget.bundle"));
    }

    std::string text(const std::string& language, const LocalizedStringKey& key)
    {
        bundle->setPreferredLanguages(std::vector<std::string> { language });
        return StringTableLocalizer(bundle)(key);
    }
};

LocalizedStringKey more(std::int64_t count)
{
    return LocalizedStringKey(moreEvents, { count });
}

}

TEST(LocalizedStringKey, FillsPlaceholdersAsTheCatalogDoes)
{
    EXPECT_EQ(format("%lld more events", { 3 }), "3 more events");
    EXPECT_EQ(format("%2$@ before %1$@", { "B", "A" }), "A before B");
    EXPECT_EQ(format("%@ and %@", { "one" }), "one and %@");
    EXPECT_EQ(LocalizedStringKey("Travel time: %@", { "25 min" }).formattedKey(), "Travel time: 25 min");
}

TEST(LocalizedStringKey, AgreementMarkupWithoutATableLeavesItsTextAsWritten)
{
    EXPECT_EQ(format("^[%lld more events](inflect: true)", { 3 }), "3 more events");
    EXPECT_EQ(format("Only ^[%lld events](inflect: true) left", { 2 }), "Only 2 events left");
    EXPECT_EQ(format("^[unclosed"), "^[unclosed");
    EXPECT_EQ(format("^[a](b"), "^[a](b");
}

TEST(LocalizedStringKey, TheCountIsTheFirstIntegerArgument)
{
    EXPECT_EQ(more(4).pluralCount(), 4);
    EXPECT_EQ(LocalizedStringKey("%@ has %lld events", { "Ada", 2 }).pluralCount(), 2);
    EXPECT_EQ(LocalizedStringKey("%@", { "2" }).pluralCount(), std::nullopt);
}

TEST(StringTableLocalizer, TheCountLineTakesThePluralFormOfItsNumberInEachLanguage)
{
    WidgetTable table;
    EXPECT_EQ(table.text("en", more(1)), "1 more event");
    EXPECT_EQ(table.text("en", more(0)), "0 more events");
    EXPECT_EQ(table.text("en", more(3)), "3 more events");
    EXPECT_EQ(table.text("de", more(1)), "1 weiterer Termin");
    EXPECT_EQ(table.text("de", more(5)), "5 weitere Termine");
    EXPECT_EQ(table.text("ru", more(1)), "ещё 1 событие");
    EXPECT_EQ(table.text("ru", more(21)), "ещё 21 событие");
    EXPECT_EQ(table.text("ru", more(3)), "ещё 3 события");
    EXPECT_EQ(table.text("ru", more(5)), "ещё 5 событий");
    EXPECT_EQ(table.text("ru", more(12)), "ещё 12 событий");
}

TEST(StringTableLocalizer, AKeyTheLanguageLacksTakesTheDevelopmentTextThenTheKey)
{
    WidgetTable table;
    EXPECT_EQ(table.text("de", LocalizedStringKey("Widget.upcomingEvent.nextEvent")), "Nächster Termin");
    EXPECT_EQ(table.text("de", LocalizedStringKey("Widget.onlyInEnglish")), "Only in English");
    EXPECT_EQ(table.text("ru", LocalizedStringKey("Widget.upcomingEvent.nextEvent")), "Next event");
    EXPECT_EQ(table.text("fr", more(1)), "1 more event") << "no French table: the English one, by English rules";
    EXPECT_EQ(table.text("de", LocalizedStringKey("Not.in.any.table %lld", { 2 })), "Not.in.any.table 2");
}
