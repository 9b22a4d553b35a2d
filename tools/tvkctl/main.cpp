// tvkctl: diagnostics and settings tool over the Tarvik libraries.

#include "tools/tvkctl/Command.hpp"

#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <iostream>
#include <string>
#include <vector>

using namespace tvk;
using namespace tvk::tvkctl;

namespace {

void printUsage(std::ostream& out)
{
    out << "usage: tvkctl [--now ISO-8601] COMMAND [ARGUMENTS...]\n"
           "\n"
           "Global options (before the command):\n"
           "  --now ISO-8601   pin the clock to this moment, e.g. 2026-12-07T09:30:00+01:00;\n"
           "                   without an offset the time is read in the local time zone\n"
           "  -h, --help       show this help\n"
           "\n"
           "Commands:\n";
    for (auto* command : CommandRegistry::all()) {
        std::string name(command->name());
        out << "  " << name << std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') << command->summary() << '\n';
    }
    out << "\nRun `tvkctl COMMAND --help` for the arguments of a command.\n";
}

}

int main(int argc, char** argv)
{
    IcuEnvironment::configureFromEnvironment();
    UserDefaults::setStandardDomainName("com.quillmoor.tarvik.tvkctl");

    std::vector<std::string> arguments(argv + 1, argv + argc);
    size_t index = 0;
    while (index < arguments.size() && arguments[index].size() > 1 && arguments[index][0] == '-') {
        const std::string& option = arguments[index];
        if (option == "--help" || option == "-h") {
            printUsage(std::cout);
            return success;
        }
        if (option == "--now" || option.rfind("--now=", 0) == 0) {
            std::string value;
            if (option == "--now") {
                if (index + 1 >= arguments.size()) {
                    std::cerr << "tvkctl: --now needs a date, e.g. --now 2026-12-07T09:30:00+01:00\n";
                    return usageError;
                }
                value = arguments[++index];
            } else {
                value = option.substr(6);
            }
            auto date = ISO8601::parse(value);
            if (!date) {
                std::cerr << "tvkctl: --now: \"" << value << "\" is not an ISO 8601 date (e.g. 2026-12-07T09:30:00+01:00)\n";
                return usageError;
            }
            ProcessClock::pin(*date);
            ++index;
            continue;
        }
        std::cerr << "tvkctl: unknown option " << option << "\n\n";
        printUsage(std::cerr);
        return usageError;
    }
    if (index >= arguments.size()) {
        printUsage(std::cerr);
        return usageError;
    }
    Command* command = CommandRegistry::find(arguments[index]);
    if (!command) {
        std::cerr << "tvkctl: unknown command \"" << arguments[index] << "\"\n\n";
        printUsage(std::cerr);
        return usageError;
    }
    std::vector<std::string> rest(arguments.begin() + static_cast<long>(index) + 1, arguments.end());
    return command->run(rest, std::cout, std::cerr);
}
