// TarvikHelper: started from the session's autostart entry, it starts the main application
// unless that already runs, and quits when the main application posts "killLauncher".

#include "TarvikHelper/AppDelegate.hpp"

int main()
{
    tvk::AppDelegate delegate;
    tvk::Application::shared().run(delegate);
    return 0;
}
