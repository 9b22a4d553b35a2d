#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "TVKCore/VideoConference/ConferenceServicesFile.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <ostream>
#include <sstream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

std::string printOrderedJson(const nlohmann::ordered_json& json)
{
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

class LinksCommand final : public Command {
public:
    std::string_view name() const override { return "links"; }
    std::string_view summary() const override { return "find the video-call links in a text"; }
    std::string help() const override
    {
        return "usage: tvkctl links [TEXT...]\n"
               "       tvkctl links --services\n"
               "\n"
               "Finds the video-call links in TEXT (the arguments joined by blanks), or in\n"
               "standard input when there is no TEXT, as the widgets do in an event's notes,\n"
               "location and URL: plain text, HTML, Outlook Safe Links and Google redirects.\n"
               "Prints a JSON array with one object per link, in the order found:\n"
               "  {\"service\": ID, \"name\": NAME, \"url\": URL, \"nativeUrl\": URL or null}\n"
               "nativeUrl is the desktop application's URL (Zoom and Microsoft Teams).\n"
               "\n"
               "--services prints the services links are matched against, in matching order:\n"
               "the built-in ones, then those of ConferenceServices.plist in $TARVIK_DATA_DIR\n"
               "(else $XDG_DATA_HOME/tarvik), which is created from the bundled copy when\n"
               "missing. A file that cannot be read or decoded is reported on standard error.\n"
               "\n"
               "Exits with status 0 whether or not links were found.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().flag("services").positionals(0, SIZE_MAX).parse(arguments);
        if (!parsed) {
            err << "tvkctl links: " << parsed.error() << "\n\n" << help();
            return usageError;
        }
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        if (parsed->flag("services")) {
            if (!parsed->positionals.empty()) {
                err << "tvkctl links: --services takes no TEXT\n\n" << help();
                return usageError;
            }
            return printServices(out, err);
        }

        std::string text;
        if (parsed->positionals.empty()) {
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        } else {
            for (size_t i = 0; i < parsed->positionals.size(); ++i) {
                if (i)
                    text += ' ';
                text += parsed->positionals[i];
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
        out << printOrderedJson(links) << '\n';
        return success;
    }

private:
    int printServices(std::ostream& out, std::ostream& err) const
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
        out << printOrderedJson(services) << '\n';
        if (auto place = ConferenceServicesFile::place()) {
            std::ifstream file(*place, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            if (!file) {
                err << "tvkctl links: cannot read " << place->string() << '\n';
            } else if (auto decoded = ConferenceServicesFile::decode(bytes); !decoded) {
                err << "tvkctl links: " << place->string() << ": " << decoded.error() << '\n';
            }
        }
        return success;
    }
};

}

TVK_REGISTER_COMMAND(LinksCommand)

}
