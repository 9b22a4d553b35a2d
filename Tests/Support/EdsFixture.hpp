#pragma once

// Evolution Data Server as the EDS tests, the shell tests and the benchmark fill it: sources
// created through the source registry and items written through the calendar and address-book
// clients, as GNOME Calendar, Evolution or an import write them. Only for a private EDS:
// nothing is done unless TARVIK_EDS_TEST_SESSION is set (Tests/Support/eds-session.sh sets it).

#include <filesystem>
#include <memory>
#include <string>
#include <tl/expected.hpp>
#include <vector>

namespace tvk::test {

class EdsFixture {
public:
    using Result = tl::expected<void, std::string>;
    enum class Kind { events, tasks };

    EdsFixture();
    ~EdsFixture();
    EdsFixture(const EdsFixture&) = delete;
    EdsFixture& operator=(const EdsFixture&) = delete;

    /// Connects to the private session's registry (starting it); fails outside such a session.
    Result connect();

    /// An account (a collection source, as GNOME Online Accounts makes one) whose identity is
    /// `identity`.
    Result addAccount(const std::string& uid, const std::string& title, const std::string& identity);
    /// A mail identity with `address` under `parentUid`.
    Result addMailIdentity(const std::string& uid, const std::string& parentUid, const std::string& address);
    /// A calendar or task list on this computer ("local" backend), under an account or under
    /// "local-stub" (On This Computer).
    Result addCalendar(const std::string& uid, const std::string& parentUid, const std::string& title, const std::string& color, Kind kind,
        bool enabled = true);
    Result addAddressBook(const std::string& uid, const std::string& parentUid, const std::string& title);
    Result removeSource(const std::string& uid);

    /// Writes the items of an iCalendar text: each series, single event and to-do is created
    /// (in batches), then each overridden instance is applied as a change of that occurrence
    /// only, and the text's own time zones are added to the calendar first.
    Result write(const std::string& calendarUid, Kind kind, const std::string& icalendar);
    /// Replaces the item with the same UID (and RECURRENCE-ID) as the component in `icalendar`.
    Result modify(const std::string& calendarUid, Kind kind, const std::string& icalendar);
    Result remove(const std::string& calendarUid, Kind kind, const std::string& uid);
    Result addContact(const std::string& bookUid, const std::string& vcard);

    /// Mirrors a calendar root laid out as `<root>/<account>/<collection>/*.ics` (with
    /// `displayname`, `color` and `source.json`, whose first owner address becomes the account's
    /// identity): one account per account directory, one local calendar (and task list, when it
    /// holds to-dos) per collection, named "<account>-<collection>" and "…-tasks".
    Result importCalendarRoot(const std::filesystem::path& root);

    struct Private;

private:
    std::unique_ptr<Private> m_private;
};

}
