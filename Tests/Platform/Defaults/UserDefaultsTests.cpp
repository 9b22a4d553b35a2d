#include "Platform/Defaults/UserDefaults.hpp"

#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/PropertyListSerialization.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sys/file.h>
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

TEST(UserDefaults, AWriteRemovesTheTemporaryFilesOfWritersKilledBeforeTheirRename)
{
    TemporaryDirectory directory;
    UserDefaults defaults(directory / "domain.plist");
    ASSERT_TRUE(defaults.set("key", "old"));
    directory.write(".domain.plist.tmp-a1B2c3", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k");
    directory.write(".domain.plist.tmp-Zz9Yy8", "");
    directory.write(".other.plist.tmp-a1B2c3", "another domain's");
    directory.write("domain.plist.tmp-a1B2c3", "not one of ours");
    ASSERT_TRUE(defaults.set("key", "new"));
    EXPECT_EQ(filesIn(directory.path()),
        (std::vector<std::filesystem::path> {
            ".domain.plist.lock", ".other.plist.tmp-a1B2c3", "domain.plist", "domain.plist.tmp-a1B2c3" }));
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

TEST(UserDefaults, AReadLeavesAnUnreadableFileAsItIsAndReportsItOnce)
{
    TemporaryDirectory directory;
    CapturedPlatformLog log;
    UserDefaults defaults(directory / "domain.plist");
    ASSERT_TRUE(defaults.set("key", "value"));
    auto xml = tvk::test::readFile(defaults.file());
    auto truncated = xml.substr(0, xml.size() / 2);
    directory.write("domain.plist", truncated);

    EXPECT_FALSE(defaults.object("key"));
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
    UserDefaults another(directory / "domain.plist");
    EXPECT_FALSE(another.object("key"));
    EXPECT_EQ(filesIn(directory.path()), (std::vector<std::filesystem::path> { ".domain.plist.lock", "domain.plist" }));
    EXPECT_EQ(tvk::test::readFile(defaults.file()), truncated);
    // Once per domain object and version of the file.
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_NE(log.lines[0].find("cannot be read"), std::string::npos);

    // The file repaired by hand reads again.
    directory.write("domain.plist", xml);
    EXPECT_EQ(defaults.object("key"), PropertyList("value"));
}

TEST(UserDefaults, AWriteKeepsAnUnreadableFileBesideBeforeReplacingIt)
{
    TemporaryDirectory directory;
    CapturedPlatformLog log;
    directory.write("domain.plist", "<plist><dict><key>a</key>");
    UserDefaults defaults(directory / "domain.plist");
    // Removing what is not there changes nothing, so nothing is written or kept.
    ASSERT_TRUE(defaults.removeObject("a"));
    EXPECT_EQ(filesIn(directory.path()).size(), 2u);

    ASSERT_TRUE(defaults.set("b", 1));
    auto files = filesIn(directory.path());
    auto backup = std::find_if(files.begin(), files.end(), [](auto& name) { return name.string().starts_with("domain.plist.corrupt-"); });
    ASSERT_NE(backup, files.end());
    EXPECT_EQ(tvk::test::readFile(directory.path() / *backup), "<plist><dict><key>a</key>");
    EXPECT_EQ(defaults.dictionaryRepresentation(), (PropertyList::Dictionary { { "b", 1 } }));
    EXPECT_NE(log.lines.back().find("kept it as"), std::string::npos);
}

TEST(UserDefaults, AFileWhoseTopLevelIsNotADictionaryReadsAsEmptyAndStays)
{
    TemporaryDirectory directory;
    CapturedPlatformLog log;
    directory.write("domain.plist", *PropertyListSerialization::writeXml(PropertyList(PropertyList::Array { "x" })));
    UserDefaults defaults(directory / "domain.plist");
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
    EXPECT_TRUE(std::filesystem::exists(defaults.file()));
}

TEST(UserDefaults, ABinaryFileWrittenElsewhereIsReadAndRewrittenAsXml)
{
    // The shared suite as plistlib writes it in binary form (Text/Fixtures/BinaryPropertyLists).
    auto fixture = std::filesystem::path(TVK_TEST_FIXTURES).parent_path().parent_path() / "Text" / "Fixtures" / "BinaryPropertyLists"
        / "shared-settings.bplist";
    TemporaryDirectory directory;
    directory.write("domain.plist", tvk::test::readFile(fixture));
    UserDefaults defaults(directory / "domain.plist");
    EXPECT_EQ(defaults.integer("timeOffsetSeconds"), 120);
    EXPECT_TRUE(defaults.boolean("includeTravelTime"));
    EXPECT_EQ(defaults.object("customSnoozeTimes"), PropertyList(PropertyList::Array { 3, 10 }));
    auto rules = defaults.object("excludeRules");
    ASSERT_TRUE(rules && rules->is<Data>());
    EXPECT_EQ(rules->get<Data>()->front(), '[');

    ASSERT_TRUE(defaults.set("showTentativeEvents", true));
    EXPECT_TRUE(tvk::test::readFile(defaults.file()).starts_with("<?xml"));
    EXPECT_EQ(defaults.dictionaryRepresentation().size(), 6u);
    EXPECT_EQ(filesIn(directory.path()).size(), 2u);
}

namespace {

// Whether /proc/locks shows a process waiting for a lock on the file with this inode.
bool someoneWaitsForLockOn(ino_t inode)
{
    std::ifstream locks("/proc/locks");
    std::string line;
    std::string suffix = ":" + std::to_string(inode) + " ";
    while (std::getline(locks, line)) {
        if (line.find("->") != std::string::npos && line.find(suffix) != std::string::npos)
            return true;
    }
    return false;
}

struct LockScenario {
    int readerStatus = 0;
    int holderStatus = 0;
};

// Another program takes the domain's lock and runs `whileHolding` (with the lock file's inode
// and a descriptor that becomes readable once the reader has finished) before it lets go;
// meanwhile `read` runs in a process of its own. A reader that hangs is ended after 60
// seconds by SIGALRM, so a hang fails the test instead of stopping the run.
LockScenario readWhileAnotherProgramHoldsTheLock(const std::filesystem::path& lockFile,
    const std::function<void(ino_t lockInode, int readerDone)>& whileHolding, const std::function<bool()>& read)
{
    int locked[2];
    int readerDone[2];
    if (::pipe(locked) != 0 || ::pipe(readerDone) != 0)
        return { -1, -1 };
    pid_t holder = fork();
    if (holder == 0) {
        int descriptor = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        struct stat info;
        if (descriptor < 0 || ::flock(descriptor, LOCK_EX) != 0 || ::fstat(descriptor, &info) != 0 || ::write(locked[1], "x", 1) != 1)
            _exit(2);
        whileHolding(info.st_ino, readerDone[0]);
        _exit(0); // releases the lock
    }
    LockScenario result;
    char byte;
    if (holder < 0 || ::read(locked[0], &byte, 1) != 1)
        return { -1, -1 };
    pid_t reader = fork();
    if (reader == 0) {
        ::alarm(60);
        _exit(read() ? 0 : 1);
    }
    waitpid(reader, &result.readerStatus, 0);
    if (::write(readerDone[1], "x", 1) != 1)
        result.holderStatus = -1;
    waitpid(holder, &result.holderStatus, 0);
    for (int descriptor : { locked[0], locked[1], readerDone[0], readerDone[1] })
        ::close(descriptor);
    return result;
}

void expectFinished(const LockScenario& scenario)
{
    EXPECT_FALSE(WIFSIGNALED(scenario.readerStatus) && WTERMSIG(scenario.readerStatus) == SIGALRM) << "the read waited for the lock";
    EXPECT_TRUE(WIFEXITED(scenario.readerStatus) && WEXITSTATUS(scenario.readerStatus) == 0);
    EXPECT_TRUE(WIFEXITED(scenario.holderStatus) && WEXITSTATUS(scenario.holderStatus) == 0);
}

}

TEST(UserDefaults, AReadNeverWaitsForTheLockWhileUnreadableVersionsAreSwappedInUnderIt)
{
    TemporaryDirectory directory;
    auto file = directory / "domain.plist";
    directory.write("domain.plist", "<plist><dict><key>first</key>");
    // The other program swaps in a second unreadable version as soon as the reader waits for
    // the lock (or has finished).
    auto swapInAnotherVersion = [&](ino_t lockInode, int readerDone) {
        while (!someoneWaitsForLockOn(lockInode)) {
            pollfd done { readerDone, POLLIN, 0 };
            if (::poll(&done, 1, 10) > 0)
                break;
        }
        directory.write("swap.plist", "<plist><dict><key>second</key><string>");
        std::filesystem::rename(directory / "swap.plist", file);
    };
    expectFinished(readWhileAnotherProgramHoldsTheLock(directory / ".domain.plist.lock", swapInAnotherVersion, [&] {
        UserDefaults defaults(file);
        return !defaults.object("first") && !defaults.object("second");
    }));
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

TEST(UserDefaults, AReadGoesOnWhileAWriteOfTheSameProcessWaitsForAnotherProgramsLock)
{
    TemporaryDirectory directory;
    auto file = directory / "domain.plist";
    auto lockFile = directory / ".domain.plist.lock";
    ASSERT_TRUE(UserDefaults(file).set("a", 1));
    auto holdUntilTheReaderIsDone = [](ino_t, int readerDone) {
        char byte;
        (void)::read(readerDone, &byte, 1);
    };
    expectFinished(readWhileAnotherProgramHoldsTheLock(lockFile, holdUntilTheReaderIsDone, [&] {
        // Kept until this process ends: the writer is still waiting for the lock then.
        auto& defaults = *new UserDefaults(file);
        struct stat info;
        ::stat(lockFile.c_str(), &info);
        std::thread writer([&] { (void)defaults.set("b", 2); });
        writer.detach();
        while (!someoneWaitsForLockOn(info.st_ino))
            ::poll(nullptr, 0, 10);
        return defaults.object("a") == PropertyList(1);
    }));
}
