// notification-server-stand-in: a desktop notification server for the shell tests, on the
// session bus it is started on (run it under dbus-run-session). It prints "ready" once it
// owns org.freedesktop.Notifications, then one JSON object per Notify call,
//   {"id": 1, "applicationName": "...", "summary": "...", "body": "...", "actions": ["join", "Join", ...]}
// and reads commands, one a line, on its standard input:
//   click ID KEY   a click on the button KEY of notification ID (ActionInvoked, then closed)
// It ends at the end of its input.

#include "Tests/Support/SessionBusPeers.hpp"

#include <nlohmann/json.hpp>

#include <iostream>
#include <sstream>
#include <string>

int main()
{
    std::mutex output;
    std::uint32_t count = 0;
    tvk::test::StandInNotificationServer server([&](const tvk::test::StandInNotificationServer::Notify& call) {
        std::lock_guard lock(output);
        nlohmann::json line { { "id", ++count }, { "applicationName", call.applicationName }, { "summary", call.summary },
            { "body", call.body }, { "actions", call.actions } };
        std::cout << line.dump() << std::endl;
    });
    if (!server.serving())
        return 1;
    {
        std::lock_guard lock(output);
        std::cout << "ready" << std::endl;
    }
    std::string command;
    while (std::getline(std::cin, command)) {
        std::istringstream words(command);
        std::string verb, key;
        std::uint32_t id = 0;
        if (words >> verb >> id >> key && verb == "click")
            server.invokeAction(id, key);
        else
            std::cerr << "notification-server-stand-in: unknown command: " << command << '\n';
    }
    return 0;
}
