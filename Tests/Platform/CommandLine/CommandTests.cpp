// The dispatcher of a command's line, over a command of the tests' own with actions and a form
// without one: what it runs, what it refuses and how it says so.

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/CommandLineProgram.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace tvk;
using namespace tvk::cli;

namespace {

class NotesCommand final : public Command {
public:
    NotesCommand()
        : Command("notes", "keep notes")
    {
        readsTheClock();
        form(&NotesCommand::summaryOfAll).flag("json");
        action("add", &NotesCommand::add).positional("TEXT").option("due", "ISO-8601", ValueType::date).flag("urgent");
        action("remove", &NotesCommand::remove).positional("ID");
        action("find", &NotesCommand::find).positionals("WORD", 1);
    }

    mutable std::vector<std::string> ran;

private:
    std::string description() const override { return "Keeps notes.\n"; }

    CommandResult summaryOfAll(const Invocation& call) const
    {
        ran.push_back(call.arguments.flag("json") ? "summary --json" : "summary");
        return {};
    }
    CommandResult add(const Invocation& call) const
    {
        auto& text = call.arguments.positional("TEXT");
        if (text.empty())
            return usageError("the note is empty");
        ran.push_back("add " + text + (call.arguments.flag("urgent") ? " urgent" : "")
            + (call.arguments.date("due") ? " due " + ISO8601::format(*call.arguments.date("due")) : ""));
        call.out << "added\n";
        return {};
    }
    CommandResult remove(const Invocation& call) const
    {
        if (call.arguments.positional("ID") == "gone")
            return failure("no note has the id gone");
        if (call.arguments.positional("ID") == "listed")
            return usageError("ids are numbers; `notes` lists them", UsageHelp::omitted);
        call.note("removed, but not from the backup");
        return failure();
    }
    CommandResult find(const Invocation& call) const
    {
        std::string words;
        for (auto& word : call.arguments.positionals("WORD"))
            words += " " + word;
        ran.push_back("find" + words);
        std::string line;
        std::getline(call.in, line);
        call.out << line << '\n';
        return {};
    }
};

class CommandTest : public testing::Test {
protected:
    void TearDown() override { ProcessClock::unpin(); }

    int run(std::vector<std::string> arguments)
    {
        out.str({});
        err.str({});
        return CommandLineProgram("notebook", { &command }).run(arguments, in, out, err);
    }

    NotesCommand command;
    std::istringstream in { "from standard input\n" };
    std::ostringstream out, err;
};

const std::string help = "usage: notebook [--now ISO-8601] notes [--json]\n"
                         "       notebook [--now ISO-8601] notes add TEXT [--due ISO-8601] [--urgent]\n"
                         "       notebook [--now ISO-8601] notes remove ID\n"
                         "       notebook [--now ISO-8601] notes find WORD...\n"
                         "\n"
                         "Keeps notes.\n";

}

TEST_F(CommandTest, TheHelpHasAUsageLineForEachFormFromItsDeclarations)
{
    EXPECT_EQ(command.help("notebook"), help);
    EXPECT_EQ(run({ "notes", "--help" }), 0);
    EXPECT_EQ(out.str(), help);
    EXPECT_EQ(run({ "notes", "remove", "--frobnicate", "-h" }), 0) << "help is answered before anything is parsed";
    EXPECT_EQ(out.str(), help);
    EXPECT_EQ(run({ "notes", "add", "--", "--help" }), 0) << "after the end of options it is a word";
    EXPECT_EQ(command.ran, std::vector<std::string> { "add --help" });
}

TEST_F(CommandTest, TheFirstPositionalWordNamesTheActionWhereverTheOptionsStand)
{
    EXPECT_EQ(run({ "notes", "--due", "2026-12-07T09:00+01:00", "add", "buy milk", "--urgent" }), 0) << err.str();
    EXPECT_EQ(out.str(), "added\n");
    EXPECT_EQ(run({ "notes", "--due=2026-12-07T09:00+01:00", "--", "add", "x" }), 0) << err.str();
    EXPECT_EQ(run({ "notes" }), 0);
    EXPECT_EQ(run({ "notes", "--json" }), 0);
    EXPECT_EQ(run({ "notes", "add", "--due", "2026-12-07", "--urgent", "x" }), 0) << err.str();
    EXPECT_EQ(run({ "notes", "add", "x", "--due", "--json" }), 2) << "the value of --due, not the flag of another form";
    EXPECT_EQ(err.str().rfind("notebook notes: --due: \"--json\" is not an ISO 8601 date", 0), 0u) << err.str();
    EXPECT_EQ(run({ "notes", "find", "a", "b" }), 0);
    EXPECT_EQ(out.str(), "from standard input\n");
    EXPECT_EQ(command.ran,
        (std::vector<std::string> { "add buy milk urgent due 2026-12-07T09:00:00+01:00", "add x due 2026-12-07T09:00:00+01:00", "summary",
            "summary --json", "add x urgent due 2026-12-07T00:00:00+01:00", "find a b" }));
}

TEST_F(CommandTest, UsageErrorsSayWhatIsWrongWithTheCommandsNameAndThenTheHelp)
{
    EXPECT_EQ(run({ "notes", "edit" }), 2);
    EXPECT_EQ(err.str(), "notebook notes: unknown action \"edit\" (add, remove or find)\n\n" + help);
    EXPECT_EQ(run({ "notes", "remove", "--urgent", "1" }), 2);
    EXPECT_EQ(err.str().rfind("notebook notes: --urgent does not apply to remove\n\n", 0), 0u) << err.str();
    EXPECT_EQ(run({ "notes", "add", "x", "--colour", "red" }), 2);
    EXPECT_EQ(err.str().rfind("notebook notes: unknown option --colour\n\n", 0), 0u) << err.str();
    EXPECT_EQ(run({ "notes", "add" }), 2);
    EXPECT_EQ(err.str().rfind("notebook notes: missing arguments for add\n\n", 0), 0u) << err.str();
    EXPECT_EQ(run({ "notes", "find" }), 2);
    EXPECT_EQ(run({ "notes", "remove", "1", "2" }), 2);
    EXPECT_EQ(err.str().rfind("notebook notes: too many arguments for remove\n", 0), 0u) << err.str();
    EXPECT_EQ(run({ "notes", "add", "x", "--due", "Monday" }), 2);
    EXPECT_EQ(err.str().rfind("notebook notes: --due: \"Monday\" is not an ISO 8601 date", 0), 0u) << err.str();
    EXPECT_EQ(run({ "notes", "add", "" }), 2);
    EXPECT_EQ(err.str(), "notebook notes: the note is empty\n\n" + help) << "a command's own usage error reads alike";
    EXPECT_EQ(run({ "notes", "remove", "listed" }), 2);
    EXPECT_EQ(err.str(), "notebook notes: ids are numbers; `notes` lists them\n") << "a message that says what is accepted stands alone";
    EXPECT_TRUE(command.ran.empty());
    EXPECT_TRUE(out.str().empty());
}

TEST_F(CommandTest, FailuresExitWithOneAndSayWhyWhenTheOutputDoesNot)
{
    EXPECT_EQ(run({ "notes", "remove", "gone" }), 1);
    EXPECT_EQ(err.str(), "notebook notes: no note has the id gone\n");
    EXPECT_EQ(run({ "notes", "remove", "7" }), 1);
    EXPECT_EQ(err.str(), "notebook notes: removed, but not from the backup\n") << "a note, and a failure without message";
}

TEST_F(CommandTest, TheProgramReadsItsGlobalOptionsBeforeTheCommand)
{
    EXPECT_EQ(run({ "--now", "2026-12-07T09:30:00+01:00", "notes" }), 0);
    EXPECT_EQ(Date::now(), *ISO8601::parse("2026-12-07T09:30:00+01:00"));
    EXPECT_EQ(run({ "--now=yesterday", "notes" }), 2);
    EXPECT_EQ(err.str(), "notebook: --now: \"yesterday\" is not an ISO 8601 date (e.g. 2026-12-07T09:30:00+01:00)\n");
    EXPECT_EQ(run({ "--now" }), 2);
    EXPECT_EQ(run({ "notes2" }), 2);
    EXPECT_EQ(err.str().rfind("notebook: unknown command \"notes2\"\n\nusage: notebook [--now ISO-8601] COMMAND", 0), 0u) << err.str();
    EXPECT_EQ(run({ "--verbose", "notes" }), 2);
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({ "-h" }), 0);
    EXPECT_NE(out.str().find("  notes           keep notes\n"), std::string::npos) << out.str();
}

TEST_F(CommandTest, ACommandMayBeSpelledAsAnOptionWithItsArgumentsAfterIt)
{
    EXPECT_EQ(run({ "--now", "2026-12-07T09:30:00+01:00", "--notes", "add", "milk", "--urgent" }), 0);
    EXPECT_EQ(command.ran, (std::vector<std::string> { "add milk urgent" }));
    EXPECT_EQ(run({ "--note" }), 2);
    EXPECT_EQ(err.str().rfind("notebook: unknown option --note\n", 0), 0u) << err.str();
    EXPECT_EQ(run({ "-notes" }), 2);
}
