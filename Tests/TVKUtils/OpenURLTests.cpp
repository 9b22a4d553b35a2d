#include "TVKUtils/OpenURL.hpp"

#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <gtest/gtest.h>

#include <mutex>

using namespace tvk;

namespace {

class OpenURL : public testing::Test {
protected:
    std::vector<std::string> opened;
    void SetUp() override
    {
        Workspace::shared().setOpener([this](const std::string& uri) {
            opened.push_back(uri);
            return true;
        });
    }
    void TearDown() override { Workspace::shared().setOpener(nullptr); }
};

}

TEST_F(OpenURL, HandsTheTextToTheDesktop)
{
    openURL("https://meet.example/abc?pwd=1");
    openAppURL(AppURL::help);
    EXPECT_EQ(opened, (std::vector<std::string> { "https://meet.example/abc?pwd=1", std::string(rawValue(AppURL::help)) }));
}

TEST_F(OpenURL, EveryAppURLIsAUriOfTheExpectedKind)
{
    for (auto url : allAppURLs) {
        auto text = rawValue(url);
        EXPECT_EQ(text.find(' '), std::string_view::npos) << text;
        EXPECT_NE(text.find(':'), std::string_view::npos) << text;
    }
    EXPECT_TRUE(rawValue(AppURL::writeAppStoreReview).starts_with("macappstore:"));
    EXPECT_NE(rawValue(AppURL::writeAppStoreReview).find("action=write-review"), std::string_view::npos);
    EXPECT_TRUE(rawValue(AppURL::sendSupportMail).starts_with("mailto:"));
}

TEST_F(OpenURL, MailFieldsAreEncodedSoThatEveryTextArrivesAsWritten)
{
    openMailAppWithComposeWindow("support@tarvik.example", "Q&A: 1+1=2?", "Hello,\nsee #3 — danke");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:support@tarvik.example?subject=Q%26A:%201%2B1%3D2?&body=Hello,%0Asee%20%233%20%E2%80%94%20danke");
}

TEST_F(OpenURL, ARecipientCannotAddHeaders)
{
    openMailAppWithComposeWindow("a@b.example?bcc=evil@x.example", "s", "m");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:a@b.example%3Fbcc=evil@x.example?subject=s&body=m");
}

TEST_F(OpenURL, TextThatIsNotValidUtf8BecomesEmpty)
{
    openMailAppWithComposeWindow("a@b.example", "bad \xFF", "ok");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:a@b.example?subject=&body=ok");
}

TEST(OpenURLWithoutOpener, TextThatIsNotAUriOpensNothingAndIsLogged)
{
    std::mutex mutex;
    std::vector<std::string> messages;
    PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) {
        std::lock_guard lock(mutex);
        messages.emplace_back(message);
    });
    openURL("not a url at all");
    PlatformLog::setSink(nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("not a URI"), std::string::npos);
}
