#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "TVKUtils/Checksum.hpp"

#include <cstdio>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class Crc32Command final : public Command {
public:
    std::string_view name() const override { return "crc32"; }
    std::string_view summary() const override { return "print the CRC-32 checksum of a text"; }
    std::string help() const override
    {
        return "usage: tvkctl crc32 TEXT\n"
               "\n"
               "Prints the CRC-32 (IEEE 802.3, as zlib computes it) of TEXT's UTF-8 bytes as\n"
               "eight lower-case hexadecimal digits. This is the key under which link\n"
               "detection caches its results for a text.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().positionals(1, 1).parse(arguments);
        if (!parsed) {
            err << "tvkctl crc32: " << parsed.error() << "\n\n" << help();
            return usageError;
        }
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", crc32(parsed->positionals[0]));
        out << digits << '\n';
        return success;
    }
};

}

TVK_REGISTER_COMMAND(Crc32Command)

}
