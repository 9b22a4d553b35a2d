#include "Platform/Defaults/UserDefaults.hpp"

#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/PropertyListSerialization.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> files;
    for (auto& entry : std::filesystem::directory_iterator(directory))
        files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}

class CapturedPlatformLog {
public:
    CapturedPlatformLog()
    {
        PlatformLog::setSink([this](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    }
    ~CapturedPlatformLog() { PlatformLog::setSink(nullptr); }
    std::vector<std::string> lines;
};

}

TEST(UserDefaults, StoresEveryValueTypeInAnXmlFileWithPrivateMode)
{
    TemporaryDirectory directory;
    UserDefaults defaults(directory / "settings" / "domain.plist");
    ASSERT_TRUE(defaults.set("text", "hello"));
    ASSERT_TRUE(defaults.set("number", 42));
    ASSERT_TRUE(defaults.set("list", PropertyList::Array { "a", "b" }));
    ASSERT_TRUE(defaults.set("blob", Data { 1, 2, 3 }));

    EXPECT_EQ(defaults.object("text"), PropertyList("hello"));
    EXPECT_EQ(defaults.object("number"), PropertyList(42));
    EXPECT_FALSE(defaults.object("missing"));

    struct stat info;
    ASSERT_EQ(::stat(defaults.file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    auto onDisk = PropertyListSerialization::read(tvk::test::readFile(defaults.file()));
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->get<PropertyList::Dictionary>()->at("list"), PropertyList(PropertyList::Array { "a", "b" }));
}

TEST(UserDefaults, ReadsSeeWritesOfAnotherInstanceOfTheSameFile)
{
    TemporaryDirectory directory;
    UserDefaults reader(directory / "domain.plist");
    UserDefaults writer(directory / "domain.plist");
    EXPECT_FALSE(reader.object("key"));
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(writer.set("key", i));
        EXPECT_EQ(reader.object("key"), PropertyList(i));
    }
    ASSERT_TRUE(writer.removeObject("key"));
    EXPECT_FALSE(reader.object("key"));
}

TEST(UserDefaults, ReadsSeeAFileReplacedByAnotherProgram)
{
    TemporaryDirectory directory;
    UserDefaults defaults(directory / "domain.plist");
    ASSERT_TRUE(defaults.set("key", "old"));
    auto xml = PropertyListSerialization::writeXml(PropertyList(PropertyList::Dictionary { { "key", "new" } }));
    directory.write("replacement.plist", *xml);
    std::filesystem::rename(directory / "replacement.plist", defaults.file());
    EXPECT_EQ(defaults.object("key"), PropertyList("new"));
}

TEST(UserDefaults, UpdateIsAReadModifyWriteUnderTheLock)
{
    TemporaryDirectory directory;
    UserDefaults defaults(directory / "domain.plist");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            UserDefaults own(directory / "domain.plist");
            for (int i = 0; i < 25; ++i) {
                ASSERT_TRUE(own.update("counter", [](std::optional<PropertyList> value) -> std::optional<PropertyList> {
                    std::int64_t current = value && value->get<std::int64_t>() ? *value->get<std::int64_t>() : 0;
                    return PropertyList(current + 1);
                }));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(defaults.object("counter"), PropertyList(100));
    ASSERT_TRUE(defaults.update("counter", [](auto) { return std::nullopt; }));
    EXPECT_FALSE(defaults.object("counter"));
}

TEST(UserDefaults, ProcessesWritingDifferentKeysAtOnceKeepEachOthersKeys)
{
    TemporaryDirectory directory;
    auto file = directory / "domain.plist";
    std::vector<pid_t> children;
    for (int child = 0; child < 4; ++child) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            UserDefaults defaults(file);
            for (int i = 0; i < 25; ++i) {
                if (!defaults.set("child" + std::to_string(child) + "-" + std::to_string(i), i))
                    _exit(1);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    UserDefaults defaults(file);
    EXPECT_EQ(defaults.dictionaryRepresentation().size(), 100u);
}

TEST(UserDefaults, ATruncatedFileIsMovedAsideAndReadsAsEmpty)
{
    TemporaryDirectory directory;
    CapturedPlatformLog log;
    UserDefaults defaults(directory / "domain.plist");
    ASSERT_TRUE(defaults.set("key", "value"));
    auto xml = tvk::test::readFile(defaults.file());
    directory.write("domain.plist", xml.substr(0, xml.size() / 2));

    EXPECT_FALSE(defaults.object("key"));
    auto files = filesIn(directory.path());
    auto corrupt = std::find_if(files.begin(), files.end(), [](auto& name) { return name.string().starts_with("domain.plist.corrupt-"); });
    ASSERT_NE(corrupt, files.end());
    EXPECT_EQ(tvk::test::readFile(directory.path() / *corrupt), xml.substr(0, xml.size() / 2));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("moved it to"), std::string::npos);

    ASSERT_TRUE(defaults.set("fresh", true));
    EXPECT_EQ(defaults.object("fresh"), PropertyList(true));
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST(UserDefaults, AWriteNeverOverwritesAnUnreadableFile)
{
    TemporaryDirectory directory;
    CapturedPlatformLog log;
    directory.write("domain.plist", "<plist><dict><key>a</key>");
    UserDefaults defaults(directory / "domain.plist");
    ASSERT_TRUE(defaults.set("b", 1));
    auto files = filesIn(directory.path());
    EXPECT_EQ(
        std::count_if(files.begin(), files.end(), [](auto& name) { return name.string().find(".corrupt-") != std::string::npos; }), 1);
    EXPECT_EQ(defaults.dictionaryRepresentation().size(), 1u);
}

TEST(UserDefaults, AFileWhoseTopLevelIsNotADictionaryIsMovedAside)
{
    TemporaryDirectory directory;
    CapturedPlatformLog log;
    directory.write("domain.plist", *PropertyListSerialization::writeXml(PropertyList(PropertyList::Array { "x" })));
    UserDefaults defaults(directory / "domain.plist");
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
    EXPECT_FALSE(std::filesystem::exists(defaults.file()));
}

TEST(UserDefaults, AnUnwritableDirectoryFailsWritesClearlyAndReadsAsEmpty)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores directory permissions";
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory / "locked");
    std::filesystem::permissions(directory / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    UserDefaults defaults(directory / "locked" / "sub" / "domain.plist");
    auto result = defaults.set("key", 1);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("settings directory"), std::string::npos);
    EXPECT_FALSE(defaults.object("key"));
}

TEST(UserDefaults, AWriteIntoAPathBlockedByAFileFailsClearly)
{
    TemporaryDirectory directory;
    directory.write("blocker", "not a directory");
    UserDefaults defaults(directory / "blocker" / "domain.plist");
    auto result = defaults.set("key", 1);
    ASSERT_FALSE(result);
    EXPECT_FALSE(result.error().message.empty());
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
}

TEST(UserDefaults, BooleanAndIntegerReadStoredValuesAsThePlatformDoes)
{
    TemporaryDirectory directory;
    UserDefaults defaults(directory / "domain.plist");
    ASSERT_TRUE(defaults.modify([](PropertyList::Dictionary& d) {
        d["one"] = 1;
        d["zero"] = 0;
        d["yes"] = "YES";
        d["no"] = "no";
        d["real"] = 2.9;
        d["text12"] = "12 apples";
        d["flag"] = true;
    }));
    EXPECT_TRUE(defaults.boolean("one"));
    EXPECT_FALSE(defaults.boolean("zero"));
    EXPECT_TRUE(defaults.boolean("yes"));
    EXPECT_FALSE(defaults.boolean("no"));
    EXPECT_FALSE(defaults.boolean("missing"));
    EXPECT_EQ(defaults.integer("real"), 2);
    EXPECT_EQ(defaults.integer("text12"), 12);
    EXPECT_EQ(defaults.integer("flag"), 1);
    EXPECT_EQ(defaults.integer("no"), 0);
    EXPECT_EQ(defaults.integer("missing"), 0);
}

TEST(UserDefaults, SuitesAndTheStandardDomainLiveInTheSettingsDirectory)
{
    UserDefaults::setStandardDomainName("com.quillmoor.tarvik.tests");
    EXPECT_EQ(UserDefaults::standard().file(), StandardPaths::configDirectory() / "com.quillmoor.tarvik.tests.plist");
    EXPECT_EQ(UserDefaults::suite("group.com.quillmoor.tvk").file(), StandardPaths::configDirectory() / "group.com.quillmoor.tvk.plist");
    EXPECT_EQ(&UserDefaults::suite("group.com.quillmoor.tvk"), &UserDefaults::suite("group.com.quillmoor.tvk"));
    EXPECT_TRUE(UserDefaults::isValidDomainName("group.com.quillmoor.tvk"));
    EXPECT_FALSE(UserDefaults::isValidDomainName("../escape"));
    EXPECT_FALSE(UserDefaults::isValidDomainName(".hidden"));
    EXPECT_EQ(UserDefaults::fileForDomain("../escape").filename(), "_._escape.plist");
}

TEST(UserDefaults, ReadObjectHandsOverTheCurrentValueOrNull)
{
    TemporaryDirectory directory;
    UserDefaults defaults(directory / "domain.plist");
    UserDefaults writer(directory / "domain.plist");
    ASSERT_TRUE(writer.set("list", PropertyList::Array { "a", "b" }));
    std::optional<PropertyList> seen;
    bool called = false;
    defaults.readObject("list", [&](const PropertyList* value) {
        called = true;
        if (value)
            seen = *value;
    });
    EXPECT_TRUE(called);
    EXPECT_EQ(seen, PropertyList(PropertyList::Array { "a", "b" }));
    defaults.readObject("missing", [&](const PropertyList* value) { EXPECT_EQ(value, nullptr); });
}
