#include "TVKCore/VideoConference/DemoLinks.hpp"

namespace tvk {

namespace {

VideoConferenceLink makeLink(const VideoConferenceService& service, const char* url)
{
    // Literal URLs that always parse.
    return VideoConferenceLink { service, *Url::make(url) };
}

}

const VideoConferenceLink& demoFaceTimeLink()
{
    static const VideoConferenceLink link = makeLink(VideoConferenceService::faceTime, "https://facetime.apple.com/join#v=1&p=123456789");
    return link;
}

const VideoConferenceLink& demoGoogleHangoutsLink()
{
    static const VideoConferenceLink link
        = makeLink(VideoConferenceService::googleHangouts, "https://hangouts.google.com/hangouts/_/calendar/ZGVtby5tZWV0aW5n.demo");
    return link;
}

const VideoConferenceLink& demoZoomLink()
{
    static const VideoConferenceLink link = makeLink(VideoConferenceService::zoom, "https://zoom.us/j/123456789");
    return link;
}

const VideoConferenceLink& VideoConferenceLink::demo()
{
    return demoFaceTimeLink();
}

}
