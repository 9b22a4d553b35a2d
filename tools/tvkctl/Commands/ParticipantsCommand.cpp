#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "TVKCore/Contacts/ContactsStore.hpp"

#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

const char* statusName(ParticipantStatus status)
{
    switch (status) {
    case ParticipantStatus::accepted: return "accepted";
    case ParticipantStatus::tentative: return "tentative";
    case ParticipantStatus::declined: return "declined";
    case ParticipantStatus::pending: return "pending";
    case ParticipantStatus::unknown: return "unknown";
    }
    return "unknown";
}

class ParticipantsCommand final : public Command {
public:
    ParticipantsCommand()
        : Command("participants", "list an event's participants as the address book resolves them")
    {
        form(&ParticipantsCommand::run).positional("EVENT-ID").flag("json");
    }

private:
    std::string description() const override
    {
        return "Finds the calendar event (its identifier as `tvkctl events` prints it), looks\n"
               "each participant up in the address books under TARVIK_CONTACTS (vCard files) and\n"
               "lists them in the event's order, the organizer once: initials, display name,\n"
               "e-mail, answer, and whether a card was found. Exits 1 when there is no such event.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto& identifier = call.arguments.positional("EVENT-ID");
        auto& out = call.out;
        auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
        auto found = store->event(identifier);
        if (!found) {
            if (auto delegated = store->makeStore(store->delegateSources()))
                found = delegated->event(identifier);
        }
        if (!found)
            return failure("no calendar event with the identifier \"" + identifier + "\"");
        auto& contacts = ContactsStore::shared();
        auto participants = contacts.participants(Event::fromCalendarEvent(*found));

        if (call.arguments.flag("json")) {
            auto list = nlohmann::json::array();
            for (auto& participant : participants) {
                list.push_back({
                    { "id", participant.id },
                    { "initials", participant.initials() },
                    { "displayName", participant.displayName() },
                    { "email", participant.email ? nlohmann::json(*participant.email) : nlohmann::json(nullptr) },
                    { "status", statusName(participant.status) },
                    { "isOrganizer", participant.isOrganizer },
                    { "foundInAddressBook", participant.givenName.has_value() },
                    { "image",
                        participant.image
                            ? nlohmann::json { { "width", participant.image->width }, { "height", participant.image->height } }
                            : nlohmann::json(nullptr) },
                });
            }
            out << printJson(list) << '\n';
            return {};
        }
        if (!contacts.hasContactsAccess())
            out << "(no address book can be read: names come from the calendar alone)\n";
        if (participants.empty())
            out << "no participants\n";
        for (auto& participant : participants) {
            out << participant.initials() << "  " << participant.displayName();
            if (participant.email)
                out << "  <" << *participant.email << ">";
            out << "  " << statusName(participant.status);
            if (participant.givenName)
                out << "  [card" << (participant.image ? " with picture" : "") << "]";
            out << '\n';
        }
        return {};
    }
};

}

TVK_REGISTER_COMMAND(ParticipantsCommand)

}
