#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

using namespace tvk;

namespace {

struct Service {
    explicit Service(int generation)
        : generation(generation)
    {
    }
    int generation;
};

}

TEST(ProcessWideInstance, IsMadeOnceUntilAResetAndThenAgainWhileTheOldOneLives)
{
    static auto* instance = new ProcessWideInstance<Service>;
    int made = 0;
    auto shared = [&]() -> Service& { return instance->get([&] { return new Service(++made); }); };

    std::vector<Service*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = &shared(); });
    for (auto& thread : threads)
        thread.join();
    for (auto* service : seen)
        EXPECT_EQ(service, seen[0]);
    EXPECT_EQ(made, 1);

    Service& before = shared();
    ProcessWideState::reset();
    Service& after = shared();
    EXPECT_NE(&before, &after);
    EXPECT_EQ(after.generation, 2);
    EXPECT_EQ(before.generation, 1) << "the one handed out before stays usable";
    EXPECT_EQ(&shared(), &after);
}

TEST(ProcessWideState, ResetsRunTheMostRecentlyAddedFirst)
{
    std::vector<int> order;
    static std::vector<int>* record = nullptr;
    record = &order;
    static const bool added = [] {
        ProcessWideState::onReset([] { record ? record->push_back(1) : void(); });
        ProcessWideState::onReset([] { record ? record->push_back(2) : void(); });
        return true;
    }();
    (void)added;
    ProcessWideState::reset();
    EXPECT_EQ(order, (std::vector<int> { 2, 1 }));
    record = nullptr;
}

namespace {

/// Finds the mark the other test of the pair leaves, then leaves its own.
void expectAFreshHomeAndLeaveAMark()
{
    const char* config = std::getenv("TARVIK_CONFIG_DIR");
    ASSERT_TRUE(config);
    auto mark = std::filesystem::path(config) / "left-by-an-earlier-test";
    EXPECT_FALSE(std::filesystem::exists(mark)) << "a test sees the settings an earlier test wrote";
    std::filesystem::create_directories(mark.parent_path());
    std::ofstream(mark) << "x";
}

}

// A pair, so that whichever runs second in one process would see the other's mark.
TEST(TestMain, EachTestHasSettingsAndDataDirectoriesOfItsOwn)
{
    expectAFreshHomeAndLeaveAMark();
}

TEST(TestMain, EachTestHasSettingsAndDataDirectoriesOfItsOwnToo)
{
    expectAFreshHomeAndLeaveAMark();
}
