#include "Platform/CommandLine/Command.hpp"
#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"

#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

std::string jsonString(const std::string& text)
{
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

class DeepLinkCommand final : public Command {
public:
    DeepLinkCommand()
        : Command("deeplink", "write or read the tarvik:// links the widgets open")
    {
        action("make", &DeepLinkCommand::make).positional("DESTINATION").positional("EVENT-ID");
        action("parse", &DeepLinkCommand::parse).positional("URL");
    }

private:
    std::string description() const override
    {
        return "make prints the link that asks the main application to act on an event;\n"
               "DESTINATION is preview, viewInCalendar or joinCall, and the event identifier is\n"
               "written as one path segment whatever it holds.\n"
               "parse reads a link back and prints {\"destination\": …, \"eventID\": …}, or prints\n"
               "\"none\" and exits 1 when the URL is not such a link.\n";
    }

    CommandResult make(const Invocation& call) const
    {
        auto& destinationText = call.arguments.positional("DESTINATION");
        auto destination = deepLinkDestinationFromRawValue(destinationText);
        if (!destination)
            return usageError("\"" + destinationText + "\" is no destination (preview, viewInCalendar or joinCall)");
        auto& eventID = call.arguments.positional("EVENT-ID");
        if (eventID.empty())
            return usageError("the event identifier is empty");
        call.out << url(makeDeepLink(*destination, eventID)).absoluteString() << '\n';
        return {};
    }

    CommandResult parse(const Invocation& call) const
    {
        auto url = Url::make(call.arguments.positional("URL"));
        auto link = url ? DeepLinkBuilder::make(*url) : std::nullopt;
        if (!link) {
            call.out << "none\n";
            return failure();
        }
        call.out << "{\"destination\": " << jsonString(std::string(rawValue(destination(*link))))
                 << ", \"eventID\": " << jsonString(eventID(*link)) << "}\n";
        return {};
    }
};

}

TVK_REGISTER_COMMAND(DeepLinkCommand)

}
