#pragma once

// The boundary between the programs and Evolution Data Server (EDS), the GNOME desktop's
// calendar and address-book service. Everything that links libecal and libebook lives in a
// loadable module (tarvik-eds.so, Platform/Eds/Module) that `EdsModule` opens only when the
// service is wanted, so a program pays nothing for EDS where the desktop does not run it.
//
// Only plain C++ types and libical's native component cross this boundary; the module has no
// Tarvik state of its own (no notification centre, no queues, no logger), so the one copy of
// those lives in the program.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tl/expected.hpp>
#include <vector>

struct icalcomponent_impl;

namespace tvk::eds {

/// What an EDS source (an `ESource` of the source registry) is, as far as this program cares.
struct Source {
    std::string uid;
    /// The parent source's UID: the account (collection) or the backend group ("local-stub",
    /// "caldav-stub", ...) the source belongs to; empty at the top.
    std::string parentUid;
    std::string displayName;
    /// The backend of its calendar, task-list or address-book extension ("local", "caldav",
    /// "ews", "webcal", "contacts", ...); the collection backend for an account.
    std::string backendName;
    /// The selectable extension's colour as EDS keeps it, usually "#rrggbb".
    std::optional<std::string> color;
    bool isCalendar = false;
    bool isTaskList = false;
    bool isAddressBook = false;
    /// An account: a collection source (GNOME Online Accounts, a CalDAV or EWS account).
    bool isCollection = false;
    /// Enabled, and so are all its ancestors.
    bool isEnabled = true;
    /// A collection's identity (often the account's e-mail address).
    std::optional<std::string> collectionIdentity;
    /// A mail identity's address and aliases.
    std::vector<std::string> mailAddresses;
    /// The user's address that a WebDAV (CalDAV) calendar sends invitations from.
    std::optional<std::string> webdavEmailAddress;
    /// A WebDAV calendar's resource URI.
    std::optional<std::string> webdavUri;

    bool operator==(const Source&) const = default;
};

enum class CalendarKind { events, tasks };

/// One libical component that the caller owns.
using NativeComponent = std::unique_ptr<icalcomponent_impl, void (*)(icalcomponent_impl*)>;

/// A card of an EDS address book, with what participant lookup uses.
struct Contact {
    std::string uid;
    std::string givenName;
    std::string familyName;
    std::string fullName;
    std::vector<std::string> emailAddresses;
    /// The photo's bytes (inline, or read from the file EDS keeps it in); none without one.
    std::optional<std::vector<std::uint8_t>> photo;

    bool operator==(const Contact&) const = default;
};

struct ContactQuery {
    /// Cards with this address among theirs (letter case aside), when given; otherwise cards
    /// whose full name, or given and family name, equal `name`.
    std::optional<std::string> emailAddress;
    std::optional<std::string> name;
    bool withPhoto = false;
};

/// Keeps a watch alive; destroying it stops the watch, and its callback is not called after
/// the destructor returns. Destroy it on the thread whose main context the watch runs on
/// (the process's default main context).
class Subscription {
public:
    virtual ~Subscription() = default;
};

/// A connection to the source registry, with the clients of the calendars, task lists and
/// address books it opened. Safe to use from any thread; callbacks run on the process's default
/// GLib main context, while it is iterated.
class Bridge {
public:
    virtual ~Bridge() = default;

    /// Every source of the registry, in the registry's order.
    virtual std::vector<Source> sources() = 0;

    /// Calls `changed` after sources were added, removed, changed, enabled or disabled.
    virtual std::unique_ptr<Subscription> watchSources(std::function<void()> changed) = 0;

    /// Everything the calendar or task list `sourceUid` holds, as one VCALENDAR: every VEVENT
    /// or VTODO (series, their overridden instances and single items) and a VTIMEZONE for each
    /// TZID the items use that the system's zone data may not know. Opens the client on first
    /// use; does not wait for a remote calendar to come online (its cached items are read).
    virtual tl::expected<NativeComponent, std::string> calendarObjects(const std::string& sourceUid, CalendarKind kind) = 0;

    /// Calls `changed` after items of the calendar were added, changed or removed (not for the
    /// items it already holds when the watch starts).
    virtual tl::expected<std::unique_ptr<Subscription>, std::string> watchCalendar(
        const std::string& sourceUid, CalendarKind kind, std::function<void()> changed) = 0;

    /// The cards of the enabled address books that `query` finds, book by book in the
    /// registry's order.
    virtual tl::expected<std::vector<Contact>, std::string> contacts(const ContactQuery& query) = 0;
};

/// The module's one entry point: connects to the session bus's source registry (starting it
/// when it is activatable) and returns the bridge, or an error message.
using OpenFunction = Bridge* (*)(std::string* error);
inline constexpr char openFunctionName[] = "tarvik_eds_open";

}
