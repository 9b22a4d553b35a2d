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

    /// The events of one file of the event fixtures on Monday 7 December 2026, as the calendar
    /// store reads them, in order of start.
    std::vector<Event> eventsOf(const std::string& fixture)
    {
        auto directory = home / "calendars" / fixture / "team";
        std::filesystem::create_directories(directory);
        std::filesystem::copy_file(fixtures / "Events" / fixture, directory / "events.ics");
        ICalendarStore calendars({ home / "calendars" / fixture }, ICalendarStore::Monitoring::off);
        std::vector<Event> events;
        for (auto& event : calendars.events(calendars.predicateForEvents(*ISO8601::parse("2026-12-07T00:00:00+01:00"),
                 *ISO8601::parse("2026-12-08T00:00:00+01:00"), calendars.calendars(EntityType::event))))
            events.push_back(Event::fromCalendarEvent(event));
        return events;
    }

    void SetUp() override
    {
        auto events = eventsOf("design-review-organizer-also-attendee-links-everywhere.ics");
        ASSERT_EQ(events.size(), 1u);
        review = events[0];

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

TEST_F(Participants, TheOrganizerIsListedOnceWithTheAnswerOfItsOwnAttendeeLineElseAsAccepted)
{
    auto contacts = store(home / "no-contacts-here");
    auto events = eventsOf("client-call-organizer-answers-on-own-line-in-other-case-blank-names-capital-mailto.ics");
    ASSERT_EQ(events.size(), 2u);

    auto call = contacts.participants(events[0]);
    ASSERT_EQ(call.size(), 5u) << "her attendee line writes the organizer's address in other letters: still her";
    EXPECT_EQ(call[0].displayName(), "Dana Whitfield (organizer)");
    EXPECT_EQ(call[0].status, ParticipantStatus::declined) << "the answer on her own attendee line";
    EXPECT_EQ(call[1].displayName(), "Alex Morgan");

    auto kickoff = contacts.participants(events[1]);
    ASSERT_EQ(kickoff.size(), 2u);
    EXPECT_TRUE(kickoff[0].isOrganizer);
    EXPECT_EQ(kickoff[0].status, ParticipantStatus::accepted) << "the organizer line carries no answer; she stands behind her meeting";
    EXPECT_EQ(kickoff[1].status, ParticipantStatus::pending);
}

TEST_F(Participants, BlankNamesAndCapitalMailtoLeaveTheAddressToShow)
{
    auto events = eventsOf("client-call-organizer-answers-on-own-line-in-other-case-blank-names-capital-mailto.ics");
    ASSERT_FALSE(events.empty());
    auto call = store(home / "no-contacts-here").participants(events[0]);
    ASSERT_EQ(call.size(), 5u);

    EXPECT_EQ(call[2].fallbackName, "boss@example.com") << "CN=\"\" is no name";
    EXPECT_EQ(call[2].displayName(), "boss@example.com");
    EXPECT_EQ(call[2].initials(), "BO");
    EXPECT_EQ(call[3].email, "ceo@example.com") << "MAILTO: is the mail scheme in other letters";
    EXPECT_EQ(call[3].displayName(), "ceo@example.com") << "a name of blanks is no name";
    EXPECT_EQ(call[4].email, "eve@example.com") << "the address of the line, not one that the name mentions";
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

TEST(Participant, EqualByIdOrElseByTheSameEmailInAnyLetterCase)
{
    Participant a = withoutCard("A");
    a.id = "1";
    a.email = "ada@example.com";
    Participant b = a;
    b.id = "2";
    EXPECT_EQ(a, b);
    b.email = "Ada@Example.COM";
    EXPECT_EQ(a, b) << "mail servers take addresses in any letter case";
    b.email = "ada@example.co";
    EXPECT_NE(a, b);
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

TEST(Participant, NamesInHanKanaOrHangulReadFamilyNameFirstWithoutASpace)
{
    EXPECT_EQ(named("太郎", "山田").displayName(), "山田太郎");
    EXPECT_EQ(named("太郎", "山田").initials(), "山太");
    EXPECT_EQ(named("ゆい", "佐々木").displayName(), "佐々木ゆい");
    EXPECT_EQ(named("ユーコ", "田中").displayName(), "田中ユーコ") << "the Kana length mark is part of the name";
    EXPECT_EQ(named("민준", "김").displayName(), "김민준");
    EXPECT_EQ(named("Taro", "山田").displayName(), "Taro 山田") << "names in two scripts keep the order of the Latin one";
    EXPECT_EQ(named("太郎", std::nullopt).displayName(), "太郎");

    auto organizer = named("太郎", "山田");
    organizer.isOrganizer = true;
    EXPECT_EQ(organizer.displayName(), "山田太郎 (organizer)");

    // A calendar's name written family name first reads as such.
    EXPECT_EQ(PersonNameFormatter::initialsFormatter().personNameComponents("山田 太郎"), (PersonNameComponents { "太郎", "山田" }));
    EXPECT_EQ(withoutCard("山田 太郎").initials(), "山太");
    EXPECT_EQ(withoutCard("山田 太郎").displayName(), "山田 太郎") << "a name without a card is shown as the calendar writes it";
}

TEST(Participant, ARecordWithoutNameOrAddressIsUnknown)
{
    ContactsStore contacts(std::make_unique<ContactStore>(std::vector<std::filesystem::path> {}));
    Event event;
    event.participantsData.edit().push_back(Event::ParticipantData {});
    event.participantsData.edit().push_back(Event::ParticipantData { .name = std::nullopt, .email = "ada@example.com" });
    event.participantsData.edit().push_back(Event::ParticipantData { .name = "  Ada Lovelace\n" });
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
