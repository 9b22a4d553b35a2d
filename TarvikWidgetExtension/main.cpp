// TarvikWidgetExtension: the widget program. Its bundle goes to the widget runtime, which
// drives the process from here on.

#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Widgets/WidgetBundleRunner.hpp"
#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"

int main(int argc, char** argv)
{
    tvk::UserDefaults::setStandardDomainName("com.quillmoor.tarvik.TarvikWidgetExtension");
    return tvk::widgets::WidgetBundleRunner::main<tvk::TarvikWidgetBundle>(argc, argv);
}
