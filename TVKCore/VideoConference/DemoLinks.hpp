#pragma once

#include "TVKCore/VideoConference/VideoConferenceLink.hpp"

namespace tvk {

// Fixed links of the demonstration events, made once on first use (safely from any number of
// threads) and never by the parser, so that demos look the same whatever the services file
// says. Each URL matches its service's pattern.

/// FaceTime: "https://facetime.apple.com/join#v=1&p=123456789". Also `VideoConferenceLink::demo()`.
const VideoConferenceLink& demoFaceTimeLink();
/// Google Hangouts: a calendar-meeting address on hangouts.google.com.
const VideoConferenceLink& demoGoogleHangoutsLink();
/// Zoom: "https://zoom.us/j/123456789".
const VideoConferenceLink& demoZoomLink();

}
