#include "TVKUtils/AppURL.hpp"

namespace tvk {

std::string_view rawValue(AppURL url)
{
    // PLACEHOLDERS for the maker to fill in before a release: the product's store page,
    // support address, website, help pages and video. They use the reserved ".example" domain
    // so that nothing real is reached until then.
    switch (url) {
    case AppURL::writeAppStoreReview: return "macappstore://apps.apple.com/app/tarvik/id0000000000?action=write-review";
    case AppURL::sendSupportMail: return "mailto:support@tarvik.example";
    case AppURL::help: return "https://tarvik.example/help";
    case AppURL::website: return "https://tarvik.example";
    case AppURL::tutorialVideo: return "https://video.tarvik.example/tutorial";
    case AppURL::privacyPolicy: return "https://tarvik.example/privacy";
    case AppURL::termsOfUse: return "https://tarvik.example/terms";
    }
    return "https://tarvik.example";
}

}
