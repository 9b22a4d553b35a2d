// TarvikWidgetTimelines: the widget program's providers alone, run from the command line as
// the host runs them (list, timeline, snapshot, placeholder). It draws nothing and links no
// drawing or windowing library, so it starts small; the widget program hands these commands
// to it when it is installed beside it.

#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Widgets/TimelineProgram.hpp"
#include "TarvikWidgetExtension/TarvikWidgetTimelines.hpp"

int main(int argc, char** argv)
{
    // The widget program's settings domain: the commands are the widget program's own.
    tvk::UserDefaults::setStandardDomainName("com.quillmoor.tarvik.TarvikWidgetExtension");
    return tvk::widgets::TimelineProgram::main<tvk::TarvikWidgetTimelines>(argc, argv);
}
