#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/CommandLine/ArgumentParser.hpp"
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
    std::string_view name() const override { return "participants"; }
    std::string_view summary() const override { return "list an event's participants as the address book resolves them"; }
    std::string help() const override
    {
        return "usage: tvkctl participants EVENT-ID [--json]\n"
               "\n"
               "Finds the calendar event (its identifier as `tvkctl events` prints it), looks\n"
               "each participant up in the address books under TARVIK_CONTACTS (vCard files) and\n"
               "lists them in the event's order, the organizer once: initials, display name,\n"
               "e-mail, answer, and whether a card was found. Exits 1 when there is no such event.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().flag("json").positionals(1, 1).parse(arguments);
        if (parsed && parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed) {
            err << "tvkctl participants: " << parsed.error() << "\n\n" << help();
            return usageError;
        }
        auto& identifier = parsed->positionals[0];
        auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
        auto found = store->event(identifier);
        if (!found) {
            if (auto delegated = store->makeStore(store->delegateSources()))
                found = delegated->event(identifier);
        }
        if (!found) {
            err << "tvkctl participants: no calendar event with the identifier \"" << identifier << "\"\n";
            return failure;
        }
        auto& contacts = ContactsStore::shared();
        auto participants = contacts.participants(Event::fromCalendarEvent(*found));

        if (parsed->flag("json")) {
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
            return success;
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
        return success;
    }
};

}

TVK_REGISTER_COMMAND(ParticipantsCommand)

}
