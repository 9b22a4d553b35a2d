#include "Platform/CommandLine/ArgumentParser.hpp"
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
    std::string_view name() const override { return "deeplink"; }
    std::string_view summary() const override { return "write or read the tarvik:// links the widgets open"; }
    std::string help() const override
    {
        return "usage: tvkctl deeplink make DESTINATION EVENT-ID\n"
               "       tvkctl deeplink parse URL\n"
               "\n"
               "make prints the link that asks the main application to act on an event;\n"
               "DESTINATION is preview, viewInCalendar or joinCall, and the event identifier is\n"
               "written as one path segment whatever it holds.\n"
               "parse reads a link back and prints {\"destination\": …, \"eventID\": …}, or prints\n"
               "\"none\" and exits 1 when the URL is not such a link.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().positionals(1, 3).parse(arguments);
        if (parsed && parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed)
            return usage(err, parsed.error());
        auto& positionals = parsed->positionals;
        if (positionals[0] == "make") {
            if (positionals.size() != 3)
                return usage(err, "make needs a destination and an event identifier");
            auto destination = deepLinkDestinationFromRawValue(positionals[1]);
            if (!destination)
                return usage(err, "\"" + positionals[1] + "\" is no destination (preview, viewInCalendar or joinCall)");
            if (positionals[2].empty())
                return usage(err, "the event identifier is empty");
            out << url(makeDeepLink(*destination, positionals[2])).absoluteString() << '\n';
            return success;
        }
        if (positionals[0] == "parse") {
            if (positionals.size() != 2)
                return usage(err, "parse needs one URL");
            auto url = Url::make(positionals[1]);
            auto link = url ? DeepLinkBuilder::make(*url) : std::nullopt;
            if (!link) {
                out << "none\n";
                return failure;
            }
            out << "{\"destination\": " << jsonString(std::string(rawValue(destination(*link))))
                << ", \"eventID\": " << jsonString(eventID(*link)) << "}\n";
            return success;
        }
        return usage(err, "unknown action \"" + positionals[0] + "\"");
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl deeplink: " << message << "\n\n" << help();
        return usageError;
    }
};

}

TVK_REGISTER_COMMAND(DeepLinkCommand)

}
