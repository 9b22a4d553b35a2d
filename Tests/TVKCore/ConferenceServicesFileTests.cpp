#include "TVKCore/VideoConference/ConferenceServicesFile.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include "QMLogger/QMLogger.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using namespace tvk;
using tvk::test::readFile;
using tvk::test::ScopedEnvironment;
using tvk::test::TemporaryDirectory;

namespace {

const std::filesystem::path fixtures = std::filesystem::path(TVK_TEST_FIXTURES) / "ConferenceServices";

/// The ConferenceLinks lines logged so far, without their dates: "🔵 INFO [ConferenceLinks]: …".
std::vector<std::string> loggedLines()
{
    std::vector<std::string> lines;
    for (auto& line : QMLogger::logMessages()) {
        auto category = line.find(" [ConferenceLinks]: ");
        if (category == std::string::npos)
            continue;
        auto label = line.rfind(' ', category - 1);
        auto labelStart = line.rfind(' ', label - 1);
        lines.push_back(line.substr(labelStart + 1));
    }
    return lines;
}

std::vector<std::string> ids(const std::vector<VideoConferenceService>& services, size_t from = 0)
{
    std::vector<std::string> result;
    for (size_t i = from; i < services.size(); ++i)
        result.push_back(services[i].id);
    return result;
}

class ConferenceServicesFileTest : public ::testing::Test {
protected:
    void SetUp() override { QMLogger::start(QMLogger::Force::yes); }

    TemporaryDirectory directory;
    ScopedEnvironment environment;
};

}

TEST_F(ConferenceServicesFileTest, OnAFreshMachineTheSeedIsCopiedIntoTheMissingDirectoryAndLoaded)
{
    auto data = directory.path() / "fresh" / "share" / "tarvik";
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (fixtures / "Resources").string());
    VideoConferenceLinkParser parser;

    EXPECT_EQ(readFile(data / "ConferenceServices.plist"), readFile(fixtures / "Resources" / "ConferenceServices.plist"));
    ASSERT_EQ(parser.services().size(), VideoConferenceService::all.size() + 1);
    EXPECT_EQ(ids(parser.services(), VideoConferenceService::all.size()), std::vector<std::string> { "seededMeet" });
    EXPECT_EQ(loggedLines(),
        (std::vector<std::string> { "🔵 INFO [ConferenceLinks]: Copying conference services config file to file://"
                + (data / "ConferenceServices.plist").string() + " …",
            "🔵 INFO [ConferenceLinks]:   … success" }));
    EXPECT_EQ(parser.parse("https://seeded.example.com/room")[0].service.id, "seededMeet");
}

TEST_F(ConferenceServicesFileTest, AFileAlreadyInPlaceIsNeverReplacedAndItsEntriesFollowTheBuiltInOnes)
{
    auto data = directory.path() / "data";
    auto edited = readFile(fixtures / "user-edited.plist");
    directory.write("data/ConferenceServices.plist", edited);
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (fixtures / "Resources").string());
    VideoConferenceLinkParser parser;

    EXPECT_EQ(readFile(data / "ConferenceServices.plist"), edited);
    EXPECT_EQ(ids(parser.services(), VideoConferenceService::all.size()), (std::vector<std::string> { "companyMeet", "zoom" }));
    EXPECT_TRUE(std::equal(VideoConferenceService::all.begin(), VideoConferenceService::all.end(), parser.services().begin()));
    EXPECT_TRUE(loggedLines().empty());

    // The file's "zoom" sits beside the built-in one and is not equal to it: no native URL.
    auto links = parser.parse("https://zoom.acme.example/room/1 and https://meet.acme.example/room/2");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].service.id, "zoom");
    EXPECT_NE(links[0].service, VideoConferenceService::zoom);
    EXPECT_FALSE(parser.nativeUrl(links[0]));
    EXPECT_EQ(links[1].service.name, "ACME Meet");
}

TEST_F(ConferenceServicesFileTest, WithoutASeedBothTheMissingResourceAndTheMissingFileAreLogged)
{
    auto data = directory.path() / "data";
    std::filesystem::create_directories(directory.path() / "empty-resources");
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (directory.path() / "empty-resources").string());
    VideoConferenceLinkParser parser;

    EXPECT_EQ(parser.services(), VideoConferenceService::all);
    auto lines = loggedLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "🔴 ERROR [ConferenceLinks]: could not find conference services config file in bundle");
    EXPECT_EQ(lines[1].rfind("🔴 ERROR [ConferenceLinks]: Could not decode conference services config file. Error: ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("No such file or directory"), std::string::npos) << lines[1];
}

TEST_F(ConferenceServicesFileTest, ACopyThatFailsIsLoggedAndTheBuiltInServicesRemain)
{
    directory.write("occupied", "a file where the data directory should be");
    auto data = directory.path() / "occupied" / "tarvik";
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (fixtures / "Resources").string());
    VideoConferenceLinkParser parser;

    EXPECT_EQ(parser.services(), VideoConferenceService::all);
    auto lines = loggedLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("🔵 INFO [ConferenceLinks]: Copying conference services config file to file://", 0), 0u);
    EXPECT_EQ(
        lines[1].rfind("🔴 ERROR [ConferenceLinks]: Could not copy conference services config file. Error: cannot create the directory", 0),
        0u)
        << lines[1];
    EXPECT_EQ(lines[2].rfind("🔴 ERROR [ConferenceLinks]: Could not decode conference services config file. Error: ", 0), 0u) << lines[2];
}

TEST_F(ConferenceServicesFileTest, AMalformedFileOrOneBadElementKeepsTheBuiltInListAlone)
{
    auto data = directory.path() / "data";
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (fixtures / "Resources").string());
    for (auto [contents, reason] : { std::pair { std::string("this is no property list"), std::string("") },
             std::pair { readFile(fixtures / "one-bad-element.plist"), std::string("element 1: key \"supportsNativeApp\" is missing") },
             std::pair { std::string("<plist version=\"1.0\"><dict/></plist>"), std::string("not an array") } }) {
        QMLogger::clear();
        directory.write("data/ConferenceServices.plist", contents);
        VideoConferenceLinkParser parser;
        EXPECT_EQ(parser.services(), VideoConferenceService::all);
        auto lines = loggedLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("🔴 ERROR [ConferenceLinks]: Could not decode conference services config file. Error: ", 0), 0u);
        EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
        EXPECT_EQ(readFile(data / "ConferenceServices.plist"), contents);
    }
}

TEST_F(ConferenceServicesFileTest, APatternThatDoesNotCompileDisturbsNoOtherService)
{
    auto data = directory.path() / "data";
    directory.write("data/ConferenceServices.plist", readFile(fixtures / "bad-pattern.plist"));
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (fixtures / "Resources").string());
    VideoConferenceLinkParser parser;

    EXPECT_EQ(ids(parser.services(), VideoConferenceService::all.size()), (std::vector<std::string> { "first", "broken", "last" }));
    std::vector<std::string> found;
    for (auto& link : parser.parse("https://first.example/a https://last.example/b https://zoom.us/j/1"))
        found.push_back(link.service.id);
    EXPECT_EQ(found, (std::vector<std::string> { "first", "last", "zoom" }));
    (void)parser.parse("https://other.example/c");
    auto lines = loggedLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"broken\" does not compile"), std::string::npos) << lines[0];
}

TEST_F(ConferenceServicesFileTest, TheSharedParserIsMadeOnceWhenManyThreadsAskAtOnce)
{
    auto data = directory.path() / "data";
    environment.set("TARVIK_DATA_DIR", data.string()).set("TARVIK_RESOURCES", (fixtures / "Resources").string());
    std::vector<VideoConferenceLinkParser*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = &VideoConferenceLinkParser::shared(); });
    for (auto& thread : threads)
        thread.join();
    for (auto* parser : seen)
        EXPECT_EQ(parser, seen[0]);
    EXPECT_EQ(seen[0]->services().size(), VideoConferenceService::all.size() + 1);
    EXPECT_EQ(loggedLines().size(), 2u);
}

TEST(ConferenceServicesFile, DecodingIsStrictAboutTheShapeOfTheFile)
{
    EXPECT_EQ(ConferenceServicesFile::decode(R"(<plist version="1.0"><array/></plist>)"), std::vector<VideoConferenceService> {});
    auto decoded = ConferenceServicesFile::decode(readFile(fixtures / "user-edited.plist"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ((*decoded)[1],
        (VideoConferenceService {
            .id = "zoom", .regex = "https://zoom\\.acme\\.example/\\S+", .name = "Zoom (ACME)", .supportsNativeApp = true }));
    EXPECT_FALSE(ConferenceServicesFile::decode(""));
    EXPECT_FALSE(ConferenceServicesFile::decode("bplist00\xd0\x08\x00\x00\x00\x00\x00\x00\x01\x01"));
    EXPECT_FALSE(ConferenceServicesFile::decode(R"(<plist version="1.0"><array><dict><key>id</key><integer>1</integer>)"
                                                R"(<key>regex</key><string>x</string><key>name</key><string>x</string>)"
                                                R"(<key>supportsNativeApp</key><false/></dict></array></plist>)"));
}
