#pragma once

#include "TVKUtils/AppURL.hpp"

#include <string>
#include <string_view>

namespace tvk {

/// Hands `url` to the desktop, whose default handler for its scheme opens it (the browser,
/// the mail program, the main application for "tarvik:"); no shell is involved. A text that
/// is not a URI opens nothing; that and any other failure is logged, never reported to the
/// caller. Safe from any thread.
void openURL(const std::string& url);

void openAppURL(AppURL url);

/// Opens a new message in the user's mail program: "mailto:" with the recipient, the subject
/// and the body. Subject and body are percent-encoded, including "&", "=" and "+", so that
/// any text arrives as written; the recipient is encoded where it would start a header
/// ("?", "#" and the like). A text that is not valid UTF-8 becomes empty.
void openMailAppWithComposeWindow(std::string_view recipient, std::string_view subject, std::string_view message);

}
