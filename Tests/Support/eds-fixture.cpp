// eds-fixture: fills a private Evolution Data Server for the shell tests and the benchmark.
//   eds-fixture import ROOT   mirrors a calendar root (<root>/<account>/<collection>/*.ics) into EDS
// Run it under Tests/Support/eds-session.sh.

#include "Tests/Support/EdsFixture.hpp"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3 || std::string(argv[1]) != "import") {
        std::cerr << "usage: eds-fixture import ROOT\n";
        return 2;
    }
    tvk::test::EdsFixture fixture;
    auto done = fixture.connect().and_then([&] { return fixture.importCalendarRoot(argv[2]); });
    if (!done) {
        std::cerr << "eds-fixture: " << done.error() << '\n';
        return 1;
    }
    return 0;
}
