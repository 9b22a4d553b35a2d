// tvkctl: diagnostics and settings tool over the Tarvik libraries.

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/CommandLineProgram.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    tvk::IcuEnvironment::configureFromEnvironment();
    tvk::UserDefaults::setStandardDomainName("com.quillmoor.tarvik.tvkctl");
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return tvk::cli::CommandLineProgram("tvkctl", tvk::cli::CommandRegistry::all()).run(arguments, std::cin, std::cout, std::cerr);
}
