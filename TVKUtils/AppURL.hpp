#pragma once

#include <array>
#include <string_view>

namespace tvk {

/// The product's own addresses outside the program.
enum class AppURL {
    writeAppStoreReview,
    sendSupportMail,
    help,
    website,
    tutorialVideo,
    privacyPolicy,
    termsOfUse,
};

inline constexpr std::array allAppURLs { AppURL::writeAppStoreReview, AppURL::sendSupportMail, AppURL::help, AppURL::website,
    AppURL::tutorialVideo, AppURL::privacyPolicy, AppURL::termsOfUse };

/// The URL text of each address.
std::string_view rawValue(AppURL url);

}
