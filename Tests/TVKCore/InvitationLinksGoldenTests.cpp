// The link parser over invitation texts as they arrive in event notes, in English, German,
// Chinese, Japanese and Korean, plain and HTML: every text of Fixtures/Invitations against the
// exact links beside it (see the README there).

#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tvk;

namespace {

std::filesystem::path invitations()
{
    return std::filesystem::path(TVK_TEST_FIXTURES) / "Invitations";
}

// One line per link, the service id and the link; under it the native URL, when there is one.
std::string described(const std::vector<VideoConferenceLink>& links, const VideoConferenceLinkParser& parser)
{
    std::string text;
    for (auto& link : links) {
        text += link.service.id + " " + link.url.absoluteString() + "\n";
        if (auto native = parser.nativeUrl(link))
            text += "  native " + native->absoluteString() + "\n";
    }
    return text;
}

}

TEST(InvitationLinks, EveryInvitationOfTheCorpusGivesExactlyItsLinks)
{
    VideoConferenceLinkParser parser(VideoConferenceService::all);
    std::vector<std::filesystem::path> texts;
    for (auto& entry : std::filesystem::directory_iterator(invitations())) {
        auto extension = entry.path().extension();
        if (extension == ".txt" || extension == ".html")
            texts.push_back(entry.path());
    }
    std::sort(texts.begin(), texts.end());
    ASSERT_GE(texts.size(), 10u);
    std::vector<std::string> languages;
    for (auto& path : texts) {
        auto expectedFile = path;
        expectedFile.replace_extension(".links");
        ASSERT_TRUE(std::filesystem::exists(expectedFile)) << expectedFile;
        auto text = tvk::test::readFile(path);
        EXPECT_EQ(described(parser.parse(text), parser), tvk::test::readFile(expectedFile)) << path.filename();
        languages.push_back(path.filename().string().substr(0, 2));
    }
    for (auto language : { "en", "de", "zh", "ja", "ko" })
        EXPECT_GE(std::count(languages.begin(), languages.end(), language), 2) << language;
}
