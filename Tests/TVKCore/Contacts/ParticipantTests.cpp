#include "TVKCore/Contacts/ContactsStore.hpp"
#include "TVKCore/Contacts/PersonNameFormatter.hpp"

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <future>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

const std::filesystem::path fixtures = TVK_TEST_FIXTURES;
const std::filesystem::path addressBookFixtures = fixtures.parent_path().parent_path() / "Platform/Contacts/Fixtures";

Participant named(std::optional<std::string> given, std::optional<std::string> family, std::string fallback = "fallback")
{
    Participant participant;
    participant.id = "id";
    participant.givenName = std::move(given);
    participant.familyName = std::move(family);
    participant.fallbackName = std::move(fallback);
    return participant;
}

Participant withoutCard(std::string fallbackName)
{
    return named(std::nullopt, std::nullopt, std::move(fallbackName));
}

/// The design review of the event fixtures, and an address book that knows Grace and Ada.
class Participants : public testing::Test {
protected:
    TemporaryDirectory home;
    Event review;

    void SetUp() override
    {
        std::filesystem::create_directories(home / "calendars/work/team");
        std::filesystem::copy_file(
            fixtures / "Events/design-review-organizer-also-attendee-links-everywhere.ics", home / "calendars/work/team/review.ics");
        ICalendarStore calendars({ home / "calendars" }, ICalendarStore::Monitoring::off);
        auto events = calendars.events(calendars.predicateForEvents(*ISO8601::parse("2026-12-07T00:00:00+01:00"),
            *ISO8601::parse("2026-12-08T00:00:00+01:00"), calendars.calendars(EntityType::event)));
        ASSERT_EQ(events.size(), 1u);
        review = Event::fromCalendarEvent(events[0]);

        std::filesystem::create_directories(home / "contacts/work/contacts");
        std::filesystem::copy_file(
            addressBookFixtures / "google-contacts-export-3.0-three-cards.vcf", home / "contacts/work/contacts/google.vcf");
        std::filesystem::copy_file(
            addressBookFixtures / "apple-contacts-3.0-folded-jpeg-photo.vcf", home / "contacts/work/contacts/ada.vcf");
    }

    ContactsStore store(std::filesystem::path root) { return ContactsStore(std::make_unique<ContactStore>(std::vector { root })); }
};

}

TEST_F(Participants, CardsFoundInTheAddressBookGiveNamesAndPictureTheOthersTheCalendarsData)
{
    auto contacts = store(home / "contacts");
    auto participants = contacts.participants(review);
    ASSERT_EQ(participants.size(), 5u) << "the organizer, listed again as an attendee, is reported once";

    auto& grace = participants[0];
    EXPECT_TRUE(grace.isOrganizer);
    EXPECT_EQ(grace.givenName, "Grace");
    EXPECT_EQ(grace.familyName, "Hopper");
    EXPECT_EQ(grace.id, "/" + (home / "contacts/work/contacts/google.vcf").relative_path().string() + "#1")
        << "a card without UID is known by its file and place";
    EXPECT_EQ(grace.displayName(), "Grace Hopper (organizer)");
    EXPECT_EQ(grace.initials(), "GH");
    EXPECT_FALSE(grace.image);

    auto& ada = participants[1];
    EXPECT_EQ(ada.id, "5C5A7E6B-9E4F-4C43-8D61-AB12CD34EF56");
    EXPECT_EQ(ada.status, ParticipantStatus::tentative);
    ASSERT_TRUE(ada.image);
    EXPECT_EQ(ada.image->width, 48);
    EXPECT_EQ(ada.displayName(), "Ada Lovelace");

    auto& room = participants[2];
    EXPECT_TRUE(UUID::fromString(room.id)) << "not found: a fresh UUID";
    EXPECT_FALSE(room.givenName);
    EXPECT_FALSE(room.email);
    EXPECT_EQ(room.fallbackName, "Meeting Room 4");
    EXPECT_EQ(room.displayName(), "Meeting Room 4");
    EXPECT_EQ(participants[3].fallbackName, "Projector") << "two participants without addresses are two";

    auto& stranger = participants[4];
    EXPECT_EQ(stranger.fallbackName, "stranger@example.org");
    EXPECT_EQ(stranger.initials(), "ST") << "an address is no name: its first two characters";
    EXPECT_EQ(stranger.status, ParticipantStatus::pending);

    EXPECT_NE(contacts.participants(review)[2].id, room.id) << "not found: a new identity every time";
}

TEST_F(Participants, WithoutAccessToTheAddressBookEveryoneIsBuiltFromTheCalendar)
{
    auto contacts = store(home / "no-contacts-here");
    EXPECT_FALSE(contacts.hasContactsAccess());
    auto participants = contacts.participants(review);
    ASSERT_EQ(participants.size(), 5u) << "the organizer is still reported once, by address";
    for (auto& participant : participants) {
        EXPECT_FALSE(participant.givenName);
        EXPECT_TRUE(UUID::fromString(participant.id));
    }
    EXPECT_EQ(participants[0].displayName(), "Grace Hopper (organizer)");
    EXPECT_EQ(participants[0].initials(), "GH") << "the calendar's name read as a name";
    EXPECT_EQ(participants[1].displayName(), "Ada Lovelace");
}

TEST_F(Participants, AccessRequestsReportGrantDenialAndThePlatformsError)
{
    auto request = [](ContactsStore& contacts) {
        std::promise<tl::expected<void, ContactsAccessError>> answer;
        contacts.requestAccess([&](tl::expected<void, ContactsAccessError> result) { answer.set_value(std::move(result)); });
        return answer.get_future().get();
    };

    auto granted = store(home / "contacts");
    EXPECT_TRUE(granted.hasContactsAccess());
    EXPECT_TRUE(request(granted));
    EXPECT_TRUE(granted.hasContactsAccess());

    auto missing = store(home / "missing");
    auto denied = request(missing);
    ASSERT_FALSE(denied);
    EXPECT_EQ(std::get<ContactsError>(denied.error()), ContactsError::accessNotGranted);
    EXPECT_FALSE(missing.hasContactsAccess());

    auto file = home.write("contacts.vcf", "BEGIN:VCARD\nEND:VCARD\n");
    auto broken = store(file);
    auto failed = request(broken);
    ASSERT_FALSE(failed);
    EXPECT_TRUE(std::holds_alternative<ContactStoreError>(failed.error()));
}

TEST(Participant, EqualByIdOrElseByTheSameExactEmail)
{
    Participant a = withoutCard("A");
    a.id = "1";
    a.email = "ada@example.com";
    Participant b = a;
    b.id = "2";
    EXPECT_EQ(a, b);
    b.email = "Ada@example.com";
    EXPECT_NE(a, b) << "letter case counts";
    b.email.reset();
    a.email.reset();
    EXPECT_NE(a, b) << "no addresses, different ids";
    b.id = "1";
    b.isOrganizer = true;
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<Participant>()(a), std::hash<Participant>()(b));
}

TEST(Participant, InitialsAndDisplayNamesOfLatinNamesAccentsEmojiAndSingleWords)
{
    EXPECT_EQ(named("Ada", "Lovelace").initials(), "AL");
    EXPECT_EQ(named("émile", "zola").initials(), "ÉZ");
    EXPECT_EQ(named("E\u0301mile", "Zola").initials(), "E\u0301Z") << "a letter with a combining accent is one character";
    EXPECT_EQ(named("🦄", "Lovelace").initials(), "🦄L");
    EXPECT_EQ(named("👩‍💻 Ada", std::nullopt).initials(), "👩‍💻") << "one emoji sequence";
    EXPECT_EQ(named("  ada  \n", std::nullopt).initials(), "A") << "the given name trimmed, alone";
    EXPECT_EQ(named(std::nullopt, "Lovelace").initials(), "L");
    EXPECT_EQ(named("", "", "ada@example.com").initials(), "AD") << "a card with empty names falls back";
    EXPECT_EQ(named("", "", "").initials(), "\u2013");

    EXPECT_EQ(withoutCard("Cher").initials(), "C");
    EXPECT_EQ(withoutCard("Ada King Lovelace").initials(), "AL");
    EXPECT_EQ(withoutCard("Lovelace, Ada").initials(), "AL");
    EXPECT_EQ(withoutCard("O'Brien-Smith Jr.").initials(), "OJ");
    EXPECT_EQ(withoutCard("unknown").initials(), "U");
    EXPECT_EQ(withoutCard("+49 170 0000000").initials(), "+4");
    EXPECT_EQ(withoutCard("🎉").initials(), "🎉");

    EXPECT_EQ(named("Ada", "Lovelace").displayName(), "Ada Lovelace");
    EXPECT_EQ(named(" Ada ", std::nullopt).displayName(), "Ada");
    EXPECT_EQ(named(std::nullopt, "Lovelace").displayName(), "Lovelace");
    EXPECT_EQ(named("", "", "ada@example.com").displayName(), "ada@example.com");
    EXPECT_EQ(named("", "", "").displayName(), "unknown");
    EXPECT_EQ(withoutCard("Ada Lovelace").displayName(), "Ada Lovelace");
    auto organizer = withoutCard("Ada Lovelace");
    organizer.isOrganizer = true;
    EXPECT_EQ(organizer.displayName(), "Ada Lovelace (organizer)");
}

TEST(Participant, ARecordWithoutNameOrAddressIsUnknown)
{
    ContactsStore contacts(std::make_unique<ContactStore>(std::vector<std::filesystem::path> {}));
    Event event;
    event.participantsData.push_back(Event::ParticipantData {});
    event.participantsData.push_back(Event::ParticipantData { .name = std::nullopt, .email = "ada@example.com" });
    event.participantsData.push_back(Event::ParticipantData { .name = "  Ada Lovelace\n" });
    auto participants = contacts.participants(event);
    ASSERT_EQ(participants.size(), 3u);
    EXPECT_EQ(participants[0].fallbackName, "unknown");
    EXPECT_EQ(participants[0].initials(), "U");
    EXPECT_EQ(participants[0].displayName(), "unknown");
    EXPECT_EQ(participants[1].fallbackName, "ada@example.com");
    EXPECT_EQ(participants[1].initials(), "AD");
    EXPECT_EQ(participants[2].fallbackName, "Ada Lovelace");
}

TEST(PersonNameFormatter, ParsesWrittenNamesAndRefusesWhatIsNoName)
{
    auto& formatter = PersonNameFormatter::initialsFormatter();
    EXPECT_EQ(formatter.personNameComponents("Ada"), (PersonNameComponents { "Ada", std::nullopt }));
    EXPECT_EQ(formatter.personNameComponents(" Ada  Lovelace "), (PersonNameComponents { "Ada", "Lovelace" }));
    EXPECT_EQ(formatter.personNameComponents("van der Berg, Anna"), (PersonNameComponents { "Anna", "van der Berg" }));
    EXPECT_FALSE(formatter.personNameComponents(""));
    EXPECT_FALSE(formatter.personNameComponents("ada@example.com"));
    EXPECT_FALSE(formatter.personNameComponents("R2-D2"));
    EXPECT_FALSE(formatter.personNameComponents("a, b, c"));
    EXPECT_EQ(PersonNameFormatter::defaultFormatter().string({ "Ada", "Lovelace" }), "Ada Lovelace");
    EXPECT_EQ(formatter.string({ "ada", "lovelace" }), "al") << "upper case is the avatar's business";
}
