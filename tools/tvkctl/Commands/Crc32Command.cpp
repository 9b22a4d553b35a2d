#include "Platform/CommandLine/Command.hpp"
#include "TVKUtils/Checksum.hpp"

#include <cstdio>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class Crc32Command final : public Command {
public:
    Crc32Command()
        : Command("crc32", "print the CRC-32 checksum of a text")
    {
        form(&Crc32Command::run).positional("TEXT");
    }

private:
    std::string description() const override
    {
        return "Prints the CRC-32 (IEEE 802.3, as zlib computes it) of TEXT's UTF-8 bytes as\n"
               "eight lower-case hexadecimal digits. This is the key under which link\n"
               "detection caches its results for a text.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", crc32(call.arguments.positional("TEXT")));
        call.out << digits << '\n';
        return {};
    }
};

}

TVK_REGISTER_COMMAND(Crc32Command)

}
