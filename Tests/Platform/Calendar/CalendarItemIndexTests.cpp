// The calendar index that every process shares: what a second process finds, what it parses,
// and what happens when the index file is gone, damaged, foreign, unwritable or full. The
// second processes are calendar-index-probe (Tests/Support), which prints what a store hands
// out; what they print is compared with a store that keeps its items to itself.

#include "Platform/Calendar/CalendarItemIndex.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Calendar/SqliteDatabase.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Tests/Support/CalendarDescription.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <random>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tvk;
using tvk::test::ScopedEnvironment;
using tvk::test::TemporaryDirectory;

namespace {

std::string fixture(const std::string& name)
{
    return tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / name);
}

Date at(const char* iso)
{
    return ISO8601::parse(iso).value_or(Date());
}

std::vector<std::string> fixtureNames()
{
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(TVK_TEST_FIXTURES))
        if (entry.path().extension() == ".ics")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct ProbeOptions {
    std::string timeZone = "Europe/Berlin";
    /// Runs as an ordinary user when the tests run as root, so that file permissions apply.
    bool unprivileged = false;
    std::optional<rlim_t> fileSizeLimit;
};

struct ProbeResult {
    int status = -1;
    size_t parsed = 0;
    std::string index;
    std::vector<std::string> lines;
    std::string errors;
};

// One calendar-index-probe process, started at once and finished by `finish`. Its output comes
// through pipes, which no file size limit cuts short.
class Probe {
public:
    Probe(const std::string& roots, Date start, Date end, const ProbeOptions& options = {})
    {
        std::vector<std::string> arguments { TVK_CALENDAR_INDEX_PROBE, roots, ISO8601::format(start), ISO8601::format(end) };
        std::vector<std::string> environment;
        for (char** variable = environ; *variable; ++variable) {
            if (!std::string_view(*variable).starts_with("TZ="))
                environment.emplace_back(*variable);
        }
        environment.push_back("TZ=" + options.timeZone);
        std::vector<char*> argv, envp;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        for (auto& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        bool dropPrivileges = options.unprivileged && ::geteuid() == 0;
        int output[2], errors[2];
        if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe for the probe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(output[1], 1);
            ::dup2(errors[1], 2);
            if (options.fileSizeLimit) {
                ::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail instead of ending the process
                rlimit limit { *options.fileSizeLimit, *options.fileSizeLimit };
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (dropPrivileges && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(126);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(output[1]);
        ::close(errors[1]);
        m_output = output[0];
        m_errors = errors[0];
    }

    ProbeResult finish()
    {
        std::string output, errors;
        pollfd descriptors[2] { { m_output, POLLIN, 0 }, { m_errors, POLLIN, 0 } };
        std::string* texts[2] { &output, &errors };
        for (int open = 2; open > 0;) {
            ::poll(descriptors, 2, -1);
            for (int i = 0; i < 2; ++i) {
                if (descriptors[i].fd < 0 || !descriptors[i].revents)
                    continue;
                char buffer[65536];
                ssize_t got = ::read(descriptors[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    texts[i]->append(buffer, static_cast<size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    ::close(descriptors[i].fd);
                    descriptors[i].fd = -1;
                    --open;
                }
            }
        }
        ProbeResult result;
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::istringstream lines(output);
        std::string header;
        std::getline(lines, header);
        if (auto comma = header.find(", index "); header.starts_with("parsed ") && comma != std::string::npos) {
            result.parsed = std::stoul(header.substr(7, comma - 7));
            result.index = header.substr(comma + 8);
        }
        for (std::string line; std::getline(lines, line);)
            result.lines.push_back(line);
        result.errors = std::move(errors);
        return result;
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    int m_errors = -1;
};

ProbeResult probe(const std::string& roots, Date start, Date end, const ProbeOptions& options = {})
{
    return Probe(roots, start, end, options).finish();
}

size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// Calendars in a temporary root and a cache directory of their own, with what a store that
// keeps its items to itself hands out for them.
class SharedIndexTest : public ::testing::Test {
protected:
    SharedIndexTest()
        : environment("TARVIK_CACHE_DIR", cache.path().string())
    {
        std::filesystem::permissions(root.path(), std::filesystem::perms::all);
        std::filesystem::permissions(cache.path(), std::filesystem::perms::all);
    }

    void put(const std::string& relativePath, const std::string& contents)
    {
        auto path = root.write(relativePath, contents);
        for (auto directory = path.parent_path(); directory != root.path(); directory = directory.parent_path())
            std::filesystem::permissions(directory, std::filesystem::perms::all);
    }

    std::vector<std::string> expected(Date start, Date end, const std::string& roots = {}) const
    {
        std::vector<std::filesystem::path> paths;
        std::string_view rest = roots.empty() ? std::string_view(root.path().native()) : std::string_view(roots);
        for (auto colon = rest.find(':'); !rest.empty(); colon = rest.find(':')) {
            paths.emplace_back(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
        ICalendarStore store(
            paths, ICalendarStore::Monitoring::off, ICalendarStore::Sources::ownAccounts, ICalendarStore::ItemIndex::ownOnly);
        return tvk::test::describe(store, start, end);
    }

    ProbeResult probe(const ProbeOptions& options = {}) const { return ::probe(root.path().string(), start, end, options); }

    std::filesystem::path indexFile() const { return cache.path() / CalendarItemIndex::sharedFileName; }

    void putTeamCalendar()
    {
        put("work/team/standup.ics", fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics"));
        put("work/team/review.ics", fixture("attendees-with-every-participation-status.ics"));
        put("work/team/personal.ics", fixture("all-day-cancelled-and-travel.ics"));
        put("work/team/copies.ics", fixture("one-uid-many-copies-sequence-and-dtstamp-decide.ics"));
        put("work/tasks/todos.ics", fixture("todos-with-and-without-due.ics"));
    }

    TemporaryDirectory root;
    TemporaryDirectory cache;
    ScopedEnvironment environment;
    Date start = at("2026-03-01T00:00:00Z");
    Date end = at("2027-01-01T00:00:00Z");
};

}

TEST_F(SharedIndexTest, ASecondProcessParsesNothingAndLaterOnesOnlyTheFilesThatChanged)
{
    putTeamCalendar();
    auto first = probe();
    EXPECT_EQ(first.parsed, 5u);
    EXPECT_EQ(first.index, indexFile().string());
    ASSERT_GT(first.lines.size(), 10u);
    EXPECT_EQ(first.lines, expected(start, end));

    auto second = probe();
    EXPECT_EQ(second.parsed, 0u);
    EXPECT_EQ(second.lines, first.lines);

    // Changed in place, added, removed, and replaced by a rename as vdirsyncer writes.
    {
        auto text = fixture("attendees-with-every-participation-status.ics");
        text.replace(text.find("Design review"), 13, "Design review, moved");
        std::ofstream(root.path() / "work/team/review.ics", std::ios::binary | std::ios::trunc) << text;
    }
    put("work/team/added.ics", fixture("rfc5545-recurrence-examples.ics"));
    std::filesystem::remove(root.path() / "work/team/personal.ics");
    {
        auto text = fixture("todos-with-and-without-due.ics");
        text.replace(text.find("Write sales report"), 18, "Write the sales report");
        put("work/tasks/.todos.ics.new", text);
        std::filesystem::rename(root.path() / "work/tasks/.todos.ics.new", root.path() / "work/tasks/todos.ics");
    }
    auto third = probe();
    EXPECT_EQ(third.parsed, 3u) << "the changed, the added and the replaced file";
    EXPECT_EQ(third.lines, expected(start, end));
    EXPECT_NE(third.lines, first.lines);
    auto joined = [](const std::vector<std::string>& lines) {
        std::string all;
        for (auto& line : lines)
            all += line + "\n";
        return all;
    };
    EXPECT_EQ(count(joined(third.lines), "Design review, moved"), 1u);
    EXPECT_EQ(count(joined(third.lines), "Write the sales report"), 1u);
    EXPECT_EQ(count(joined(third.lines), "Dentist"), 0u);

    // Saved again without a change: read once more, and nothing differs.
    std::filesystem::last_write_time(root.path() / "work/team/standup.ics", std::filesystem::file_time_type::clock::now());
    auto fourth = probe();
    EXPECT_EQ(fourth.parsed, 1u);
    EXPECT_EQ(fourth.lines, third.lines);
    EXPECT_EQ(probe().parsed, 0u);
}

TEST_F(SharedIndexTest, EveryCalendarReadsTheSameThroughTheSharedIndexAsWithoutIt)
{
    for (auto& name : fixtureNames())
        put("fixtures/" + name.substr(0, name.size() - 4) + "/" + name, fixture(name));
    std::string roots = root.path().string() + ":" + TVK_SAMPLE_CALENDARS;
    for (auto [from, to] : { std::pair("1997-01-01T00:00:00Z", "2001-01-01T00:00:00Z"),
             std::pair("2026-03-01T00:00:00Z", "2027-01-01T00:00:00Z"), std::pair("2036-01-01T00:00:00Z", "2036-01-08T00:00:00Z") }) {
        auto want = expected(at(from), at(to), roots);
        ASSERT_FALSE(want.empty()) << from;
        auto first = ::probe(roots, at(from), at(to));
        EXPECT_EQ(first.lines, want) << from;
        auto again = ::probe(roots, at(from), at(to));
        EXPECT_EQ(again.parsed, 0u);
        EXPECT_EQ(again.lines, want) << from;
    }
    // And in this process, through the same index the probes filled.
    ICalendarStore shared({ root.path(), TVK_SAMPLE_CALENDARS }, ICalendarStore::Monitoring::off);
    EXPECT_EQ(tvk::test::describe(shared, start, end), expected(start, end, roots));
    EXPECT_EQ(shared.parseCount(), 0u);
    EXPECT_EQ(shared.sharedIndexPath(), indexFile());
}

TEST_F(SharedIndexTest, EveryRecurrenceExampleReadsTheSameThroughTheSharedIndexAsWithoutIt)
{
    // Each golden example under a root of its own, read over the window its expected file
    // names: by the process that puts it into the index, and by one that finds it there.
    auto examples = std::filesystem::path(TVK_TEST_FIXTURES) / "Recurrence";
    size_t compared = 0;
    for (auto& entry : std::filesystem::directory_iterator(examples)) {
        if (entry.path().extension() != ".ics")
            continue;
        auto name = entry.path().stem().string();
        put(name + "/example/" + name + ".ics", tvk::test::readFile(entry.path()));
        std::istringstream expectedFile(tvk::test::readFile(examples / (name + ".expected")));
        std::optional<Date> from, to;
        for (std::string line; std::getline(expectedFile, line);) {
            if (line.starts_with("# from: "))
                from = ISO8601::parse(line.substr(8));
            else if (line.starts_with("# to: "))
                to = ISO8601::parse(line.substr(6));
        }
        ASSERT_TRUE(from && to) << name << ".expected names no window";
        auto exampleRoot = (root.path() / name).string();
        auto want = expected(*from, *to, exampleRoot);
        ASSERT_FALSE(want.empty()) << name;
        auto first = ::probe(exampleRoot, *from, *to);
        EXPECT_EQ(first.parsed, 1u) << name;
        EXPECT_EQ(first.lines, want) << name;
        auto second = ::probe(exampleRoot, *from, *to);
        EXPECT_EQ(second.parsed, 0u) << name;
        EXPECT_EQ(second.index, indexFile().string()) << name;
        EXPECT_EQ(second.lines, want) << name;
        ++compared;
    }
    EXPECT_GT(compared, 40u);
}

TEST_F(SharedIndexTest, ADeletedTruncatedOrGarbledIndexIsBuiltAnewAndNoEventIsLost)
{
    putTeamCalendar();
    auto want = expected(start, end);
    std::mt19937 random(7);
    std::vector<std::pair<std::string, std::function<void()>>> damages {
        { "deleted",
            [&] {
                for (auto suffix : { "", "-wal", "-shm" })
                    std::filesystem::remove(indexFile().string() + suffix);
            } },
        { "truncated to half", [&] { std::filesystem::resize_file(indexFile(), std::filesystem::file_size(indexFile()) / 2); } },
        { "cut after its header", [&] { std::filesystem::resize_file(indexFile(), 4096); } },
        { "garbled",
            [&] {
                std::string noise(std::filesystem::file_size(indexFile()), '\0');
                for (auto& byte : noise)
                    byte = static_cast<char>(random());
                std::ofstream(indexFile(), std::ios::binary | std::ios::trunc) << noise;
            } },
        { "emptied", [&] { std::ofstream(indexFile(), std::ios::trunc); } },
    };
    ASSERT_EQ(probe().lines, want);
    for (auto& [name, damage] : damages) {
        damage();
        auto after = probe();
        EXPECT_EQ(after.status, 0) << name;
        EXPECT_EQ(after.lines, want) << name;
        EXPECT_EQ(after.index, indexFile().string()) << name << ": the index is in use again";
        auto next = probe();
        EXPECT_EQ(next.parsed, 0u) << name << ": built anew by the process that found it " << name;
        EXPECT_EQ(next.lines, want) << name;
    }
}

TEST_F(SharedIndexTest, AnIndexOfAnOlderLayoutOrAnotherProgramIsReplacedAndANewerOneLeftAlone)
{
    putTeamCalendar();
    auto want = expected(start, end);
    ASSERT_EQ(probe().lines, want);

    auto rewrite = [&](const char* sql) {
        SqliteDatabase database(indexFile().string());
        database.execute(sql);
    };
    rewrite("PRAGMA user_version = 0");
    auto older = probe();
    EXPECT_EQ(older.lines, want);
    EXPECT_EQ(older.parsed, 5u);
    EXPECT_EQ(older.index, indexFile().string());
    EXPECT_NE(older.errors.find("older layout"), std::string::npos) << older.errors;
    EXPECT_EQ(probe().parsed, 0u);

    rewrite("DROP INDEX files_identity");
    auto incomplete = probe();
    EXPECT_EQ(incomplete.lines, want);
    EXPECT_EQ(incomplete.index, indexFile().string());
    EXPECT_EQ(probe().parsed, 0u) << "built anew with everything in it";

    for (auto suffix : { "", "-wal", "-shm" })
        std::filesystem::remove(indexFile().string() + suffix);
    rewrite("CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('not a calendar index')");
    auto foreign = probe();
    EXPECT_EQ(foreign.lines, want);
    EXPECT_EQ(foreign.index, indexFile().string());
    EXPECT_EQ(probe().parsed, 0u);

    rewrite("PRAGMA user_version = 999; CREATE TABLE later (x)");
    auto newer = probe();
    EXPECT_EQ(newer.lines, want);
    EXPECT_EQ(newer.parsed, 5u);
    EXPECT_EQ(newer.index, "none");
    EXPECT_EQ(count(newer.errors, "newer version"), 1u) << newer.errors;
    SqliteDatabase database(indexFile().string());
    auto& left = database.statement("SELECT count(*) FROM sqlite_schema WHERE name = 'later'");
    ASSERT_TRUE(left.step());
    EXPECT_EQ(left.integer(0), 1) << "the newer program's index is untouched";
}

TEST_F(SharedIndexTest, AnUnwritableCacheDirectoryOrAFullDiskMeanParsingWithOneNotice)
{
    putTeamCalendar();
    auto want = expected(start, end);

    // Read-only and empty.
    std::filesystem::permissions(cache.path(),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec | std::filesystem::perms::group_read
            | std::filesystem::perms::group_exec | std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    auto readOnly = probe({ .unprivileged = true });
    EXPECT_EQ(readOnly.status, 0);
    EXPECT_EQ(readOnly.lines, want);
    EXPECT_EQ(readOnly.index, "none");
    EXPECT_EQ(count(readOnly.errors, "cannot be used"), 1u) << readOnly.errors;

    std::filesystem::permissions(cache.path(), std::filesystem::perms::all);
    ASSERT_EQ(probe().parsed, 5u);
    auto readOnlyFiles = std::filesystem::perms::owner_read | std::filesystem::perms::group_read | std::filesystem::perms::others_read;
    std::error_code gone; // the log files exist unless the last process closed the index
    for (auto suffix : { "", "-wal", "-shm" })
        std::filesystem::permissions(indexFile().string() + suffix, readOnlyFiles, gone);
    std::filesystem::permissions(cache.path(), readOnlyFiles | std::filesystem::perms::owner_exec | std::filesystem::perms::others_exec);
    // Up to date, it is read as it is where SQLite can read it without writing; once a file
    // changed, it cannot be brought up to date.
    auto readable = probe({ .unprivileged = true });
    EXPECT_EQ(readable.lines, want);
    EXPECT_EQ(count(readable.errors, "cannot be used"), readable.index == "none" ? 1u : 0u) << readable.errors;
    put("work/team/review.ics", fixture("attendees-with-every-participation-status.ics") + "\r\n");
    put("work/team/added.ics", fixture("floating-times-and-dates-in-any-zone.ics"));
    want = expected(start, end);
    auto notOurs = probe({ .unprivileged = true });
    EXPECT_EQ(notOurs.lines, want);
    EXPECT_EQ(notOurs.index, "none");
    EXPECT_EQ(count(notOurs.errors, "cannot be used"), 1u) << notOurs.errors;
    std::filesystem::permissions(cache.path(), std::filesystem::perms::all);
    for (auto suffix : { "", "-wal", "-shm" })
        std::filesystem::permissions(
            indexFile().string() + suffix, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, gone);

    // No room to write the index (nor a temporary file): the items stay in memory.
    for (auto suffix : { "", "-wal", "-shm" })
        std::filesystem::remove(indexFile().string() + suffix);
    auto full = probe({ .fileSizeLimit = 16 * 1024 });
    EXPECT_EQ(full.status, 0) << full.errors;
    EXPECT_EQ(full.lines, want);
    EXPECT_EQ(full.index, "none");
    EXPECT_EQ(count(full.errors, "cannot be used"), 1u) << full.errors;
    auto roomAgain = probe();
    EXPECT_EQ(roomAgain.lines, want);
    EXPECT_EQ(roomAgain.index, indexFile().string());
}

TEST_F(SharedIndexTest, TwoProcessesBuildingTheIndexAtOnceBothHandOutEveryEvent)
{
    // Enough files that the two builds overlap.
    for (int i = 0; i < 300; ++i) {
        std::ostringstream text;
        text << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik tests//EN\r\nBEGIN:VEVENT\r\nUID:meeting-" << i
             << "@tarvik.test\r\nDTSTAMP:20261101T090000Z\r\nDTSTART;TZID=Europe/Berlin:202612" << 10 + i % 18 << "T" << 10 + i % 8
             << "0000\r\nDURATION:PT30M\r\nSUMMARY:Meeting " << i << "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        put("work/" + std::string(i % 2 ? "team" : "office") + "/meeting-" + std::to_string(i) + ".ics", text.str());
    }
    auto want = expected(start, end);
    ASSERT_EQ(want.size(), 300u);
    for (int round = 0; round < 2; ++round) {
        for (auto suffix : { "", "-wal", "-shm" })
            std::filesystem::remove(indexFile().string() + suffix);
        Probe one(root.path().string(), start, end), other(root.path().string(), start, end);
        auto first = one.finish(), second = other.finish();
        EXPECT_EQ(first.status, 0) << first.errors;
        EXPECT_EQ(second.status, 0) << second.errors;
        EXPECT_EQ(first.lines, want);
        EXPECT_EQ(second.lines, want);
        EXPECT_EQ(first.index, indexFile().string()) << first.errors;
        EXPECT_EQ(second.index, indexFile().string()) << second.errors;
        auto third = probe();
        EXPECT_EQ(third.parsed, 0u);
        EXPECT_EQ(third.lines, want);
    }
}

TEST_F(SharedIndexTest, FloatingTimesAndDatesAreReadInTheZoneOfTheProcessThatAsks)
{
    put("home/floating/floating.ics", fixture("floating-times-and-dates-in-any-zone.ics"));
    start = at("2026-12-07T00:00:00Z");
    end = at("2026-12-10T00:00:00Z");
    auto berlin = probe();
    auto newYork = probe({ .timeZone = "America/New_York" });
    EXPECT_EQ(berlin.parsed, 1u);
    EXPECT_EQ(newYork.parsed, 0u);
    auto starts = [](const ProbeResult& result) {
        std::vector<std::string> found;
        for (auto& line : result.lines)
            found.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
        return found;
    };
    EXPECT_EQ(starts(berlin),
        (std::vector<std::string> { "2026-12-07T09:00:00+01:00 2026-12-07T10:00:00+01:00",
            "2026-12-07T18:00:00+01:00 2026-12-07T18:30:00+01:00", "2026-12-08T00:00:00+01:00 2026-12-08T23:59:59+01:00",
            "2026-12-08T20:00:00+01:00 2026-12-08T20:30:00+01:00", "2026-12-09T18:00:00+01:00 2026-12-09T18:30:00+01:00" }));
    EXPECT_EQ(starts(newYork),
        (std::vector<std::string> { "2026-12-07T09:00:00-05:00 2026-12-07T10:00:00-05:00",
            "2026-12-07T18:00:00-05:00 2026-12-07T18:30:00-05:00", "2026-12-08T00:00:00-05:00 2026-12-08T23:59:59-05:00",
            "2026-12-08T20:00:00-05:00 2026-12-08T20:30:00-05:00", "2026-12-09T18:00:00-05:00 2026-12-09T18:30:00-05:00" }))
        << "the same readings, five or six hours later";
}

TEST_F(SharedIndexTest, AnIndexEmptiedByAnotherProgramIsFilledAgainBeforeTheNextAnswer)
{
    putTeamCalendar();
    auto want = expected(start, end);
    ICalendarStore store({ root.path() }, ICalendarStore::Monitoring::off);
    ASSERT_EQ(tvk::test::describe(store, start, end), want);
    ASSERT_EQ(store.parseCount(), 5u);

    // Another program found the file damaged and emptied it while this store kept it open.
    CalendarItemIndex::openShared(cache.path(), "Europe/Berlin")->rebuildAfterDamage();
    EXPECT_EQ(tvk::test::describe(store, start, end), want);
    EXPECT_EQ(store.parseCount(), 10u);
    EXPECT_EQ(store.sharedIndexPath(), indexFile());
}

// A collection whose digest is the stored one is not compared file by file, so any change of a
// name or of an identity's field must change the digest; the order the disk lists files in
// must not.
TEST(CalendarItemIndexFilesDigest, EveryNameAndIdentityFieldCountsAndTheOrderDoesNot)
{
    using Digest = CalendarItemIndex::FilesDigest;
    const FileIdentity first { 2049, 1001, 512, 1796601600000000000LL, 1796601600000000001LL };
    const FileIdentity second { 2049, 1002, 730, 1796601700000000000LL, 1796601700000000000LL };
    auto digest = [](const std::vector<std::pair<std::string, FileIdentity>>& files) {
        Digest result;
        for (auto& [name, identity] : files)
            result.add(name, identity);
        return result.value();
    };
    auto base = digest({ { "a.ics", first }, { "b.ics", second } });
    EXPECT_EQ(digest({ { "b.ics", second }, { "a.ics", first } }), base);
    EXPECT_NE(digest({ { "a.ics", first } }), base) << "a file fewer";
    EXPECT_NE(digest({ { "a.ics", first }, { "b.ics", second }, { "b.ics", second } }), base) << "a file more";
    EXPECT_NE(digest({ { "a.ics", second }, { "b.ics", first } }), base) << "identities swapped between names";
    EXPECT_NE(digest({ { "c.ics", first }, { "b.ics", second } }), base) << "a file renamed";
    EXPECT_NE(Digest().value(), digest({ { "", FileIdentity {} } }));
    for (int field = 0; field < 5; ++field) {
        auto changed = first;
        switch (field) {
        case 0: changed.device += 1; break;
        case 1: changed.inode += 1; break;
        case 2: changed.size += 1; break;
        case 3: changed.modified += 1; break;
        case 4: changed.changed += 1; break;
        }
        EXPECT_NE(digest({ { "a.ics", changed }, { "b.ics", second } }), base) << "field " << field;
    }
}

namespace {

// One collection of calendar files stored straight into indexes on one shared file, as the
// processes of a user do, read through a view of its own.
class KeptExpansionsTest : public ::testing::Test {
protected:
    KeptExpansionsTest()
    {
        auto calendar = std::make_shared<StoreCalendar>();
        calendar->calendarIdentifier = "work";
        calendar->title = "Work";
        view = { "work", calendar, nullptr, "work" };
    }

    std::unique_ptr<CalendarItemIndex> open(const std::string& zone) const { return CalendarItemIndex::openShared(cache.path(), zone); }

    static void store(CalendarItemIndex& index, const std::string& name, const std::string& text, long long version)
    {
        auto parsed = ICalendarParser::parse(text);
        ASSERT_TRUE(parsed.has_value()) << parsed.error();
        auto update = index.beginUpdate();
        update->putFile({ "work", "work", "work-tasks" }, name, FileIdentity { 1, 1, version, version, version }, *parsed);
        update->commit();
    }

    std::vector<StoreEvent> events(CalendarItemIndex& index, Date from, Date to) const
    {
        std::vector<StoreEvent> found;
        index.collectEvents(std::vector { view }, from, to, found);
        std::sort(found.begin(), found.end(), [](const StoreEvent& a, const StoreEvent& b) {
            return std::tie(a.startDate, a.eventIdentifier) < std::tie(b.startDate, b.eventIdentifier);
        });
        return found;
    }

    // What an index of one process alone, in `zone`, hands out for the same files.
    std::vector<StoreEvent> unshared(const std::string& zone, const std::vector<std::string>& files, Date from, Date to) const
    {
        auto index = CalendarItemIndex::openPrivate(zone, true);
        for (size_t i = 0; i < files.size(); ++i)
            store(*index, "file" + std::to_string(i) + ".ics", files[i], 1);
        return events(*index, from, to);
    }

    size_t keptRows() const
    {
        SqliteDatabase database((cache.path() / CalendarItemIndex::sharedFileName).string());
        auto& count = database.statement("SELECT count(*) FROM expansions");
        count.step();
        return static_cast<size_t>(count.integer(0));
    }

    TemporaryDirectory cache;
    CalendarItemIndex::View view;
    // Series that floating times, dates, a zone's clock change, RDATE and EXDATE place.
    std::vector<std::string> files { fixture("floating-times-and-dates-in-any-zone.ics"),
        fixture("rdates-floating-all-day-durations-and-alarms.ics"),
        fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics") };
    Date from = at("2026-03-20T00:00:00Z");
    Date to = at("2026-12-20T00:00:00Z");
};

}

TEST_F(KeptExpansionsTest, TheNextProcessInTheSameZoneExpandsNothingAndOneInAnotherZoneExpandsItsOwn)
{
    auto berlin = unshared("Europe/Berlin", files, from, to);
    auto newYork = unshared("America/New_York", files, from, to);
    ASSERT_GT(berlin.size(), 20u);
    ASSERT_NE(berlin, newYork) << "the floating series must move with the zone";

    auto first = open("Europe/Berlin");
    for (size_t i = 0; i < files.size(); ++i)
        store(*first, "file" + std::to_string(i) + ".ics", files[i], 1);
    EXPECT_EQ(events(*first, from, to), berlin);
    size_t series = first->expansionCount();
    EXPECT_GE(series, 4u);
    EXPECT_EQ(keptRows(), series);

    auto second = open("Europe/Berlin");
    EXPECT_EQ(events(*second, from, to), berlin);
    EXPECT_EQ(second->expansionCount(), 0u);
    // A narrower window inside the kept one needs nothing either; a wider one expands again.
    EXPECT_EQ(events(*open("Europe/Berlin"), from + 86400 * 30, to - 86400 * 30).size(),
        unshared("Europe/Berlin", files, from + 86400 * 30, to - 86400 * 30).size());
    auto wider = open("Europe/Berlin");
    EXPECT_EQ(events(*wider, from - 86400 * 60, to), unshared("Europe/Berlin", files, from - 86400 * 60, to));
    EXPECT_EQ(wider->expansionCount(), series);

    auto elsewhere = open("America/New_York");
    EXPECT_EQ(events(*elsewhere, from, to), newYork);
    EXPECT_EQ(elsewhere->expansionCount(), series);
    // Each item keeps the expansion of the last zone that made one.
    auto back = open("Europe/Berlin");
    EXPECT_EQ(events(*back, from, to), berlin);
    EXPECT_EQ(back->expansionCount(), series);
    EXPECT_EQ(keptRows(), series);
}

TEST_F(KeptExpansionsTest, KeptOccurrencesGoWithTheirItemAndNeverOutliveTheFileTheyCameFrom)
{
    const std::string weekly
        = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:weekly\r\nDTSTAMP:20260101T000000Z\r\n"
          "DTSTART;TZID=Europe/Berlin:20260105T090000\r\nDURATION:PT30M\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Weekly\r\n"
          "END:VEVENT\r\nEND:VCALENDAR\r\n";
    std::string daily = weekly;
    daily.replace(daily.find("FREQ=WEEKLY"), 11, "FREQ=DAILY;INTERVAL=3");

    auto first = open("Europe/Berlin");
    store(*first, "series.ics", weekly, 1);
    EXPECT_EQ(events(*first, from, to), unshared("Europe/Berlin", { weekly }, from, to));
    EXPECT_EQ(keptRows(), 1u);

    // The file changes: its old item goes, and its occurrences with it.
    auto writer = open("Europe/Berlin");
    store(*writer, "series.ics", daily, 2);
    EXPECT_EQ(keptRows(), 0u);
    auto reader = open("Europe/Berlin");
    EXPECT_EQ(events(*reader, from, to), unshared("Europe/Berlin", { daily }, from, to));
    EXPECT_EQ(reader->expansionCount(), 1u);

    // Another program empties the file and fills it again; its items start from the first
    // number again, so what the first process knew of its old items must not come back.
    auto other = open("Europe/Berlin");
    other->rebuildAfterDamage();
    store(*other, "series.ics", weekly, 3);
    EXPECT_THROW(events(*reader, from, to), CalendarItemIndex::Lost);
    EXPECT_EQ(events(*reader, from, to), unshared("Europe/Berlin", { weekly }, from, to));
    auto fresh = open("Europe/Berlin");
    EXPECT_EQ(events(*fresh, from, to), unshared("Europe/Berlin", { weekly }, from, to));

    // Kept bytes that cannot be read are expanded again and replaced.
    {
        SqliteDatabase database((cache.path() / CalendarItemIndex::sharedFileName).string());
        database.execute("UPDATE expansions SET occurrences = x'01ff'");
    }
    auto afterDamage = open("Europe/Berlin");
    EXPECT_EQ(events(*afterDamage, from, to), unshared("Europe/Berlin", { weekly }, from, to));
    EXPECT_EQ(afterDamage->expansionCount(), 1u);
    auto last = open("Europe/Berlin");
    EXPECT_EQ(events(*last, from, to), unshared("Europe/Berlin", { weekly }, from, to));
    EXPECT_EQ(last->expansionCount(), 0u);
}
