#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "TVKCore/VideoConference/ConferenceServicesFile.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class LinksCommand final : public Command {
public:
    LinksCommand()
        : Command("links", "find the video-call links in a text")
    {
        form(&LinksCommand::run).flag("services").positionals("TEXT");
    }

private:
    std::string description() const override
    {
        return "Finds the video-call links in TEXT (the arguments joined by blanks), or in\n"
               "standard input when there is no TEXT, as the widgets do in an event's notes,\n"
               "location and URL: plain text, HTML, Outlook Safe Links and Google redirects.\n"
               "Prints a JSON array with one object per link, in the order found:\n"
               "  {\"service\": ID, \"name\": NAME, \"url\": URL, \"nativeUrl\": URL or null}\n"
               "nativeUrl is the desktop application's URL (Zoom and Microsoft Teams).\n"
               "\n"
               "--services prints the services links are matched against, in matching order:\n"
               "the built-in ones, then those of ConferenceServices.plist in $TARVIK_DATA_DIR\n"
               "(else $XDG_DATA_HOME/tarvik), which is created from the bundled copy when\n"
               "missing; it takes no TEXT. A file that cannot be read or decoded is reported on\n"
               "standard error.\n"
               "\n"
               "Exits with status 0 whether or not links were found.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto& words = call.arguments.positionals("TEXT");
        if (call.arguments.flag("services")) {
            if (!words.empty())
                return usageError("--services takes no TEXT");
            printServices(call);
            return {};
        }

        std::string text;
        if (words.empty()) {
            text.assign(std::istreambuf_iterator<char>(call.in), std::istreambuf_iterator<char>());
        } else {
            for (size_t i = 0; i < words.size(); ++i) {
                if (i)
                    text += ' ';
                text += words[i];
            }
        }

        auto& parser = VideoConferenceLinkParser::shared();
        auto links = nlohmann::ordered_json::array();
        for (const auto& link : parser.parse(text)) {
            auto native = parser.nativeUrl(link);
            links.push_back({
                { "service", link.service.id },
                { "name", link.service.name },
                { "url", link.url.absoluteString() },
                { "nativeUrl", native ? nlohmann::ordered_json(native->absoluteString()) : nlohmann::ordered_json(nullptr) },
            });
        }
        call.out << printOrderedJson(links) << '\n';
        return {};
    }

    static void printServices(const Invocation& call)
    {
        auto& parser = VideoConferenceLinkParser::shared();
        auto builtIn = VideoConferenceService::all.size();
        auto services = nlohmann::ordered_json::array();
        for (size_t i = 0; i < parser.services().size(); ++i) {
            const auto& service = parser.services()[i];
            services.push_back({
                { "id", service.id },
                { "name", service.name },
                { "regex", service.regex },
                { "supportsNativeApp", service.supportsNativeApp },
                { "source", i < builtIn ? "built-in" : ConferenceServicesFile::fileName },
            });
        }
        call.out << printOrderedJson(services) << '\n';
        if (auto place = ConferenceServicesFile::place()) {
            std::ifstream file(*place, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            if (!file) {
                call.note("cannot read " + place->string());
            } else if (auto decoded = ConferenceServicesFile::decode(bytes); !decoded) {
                call.note(place->string() + ": " + decoded.error());
            }
        }
    }
};

}

TVK_REGISTER_COMMAND(LinksCommand)

}
