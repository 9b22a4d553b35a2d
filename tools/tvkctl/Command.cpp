#include "tools/tvkctl/Command.hpp"

#include <algorithm>

namespace tvk::tvkctl {

namespace {

std::vector<std::unique_ptr<Command>>& commands()
{
    static std::vector<std::unique_ptr<Command>> registered;
    return registered;
}

}

bool CommandRegistry::add(std::unique_ptr<Command> command)
{
    commands().push_back(std::move(command));
    return true;
}

Command* CommandRegistry::find(std::string_view name)
{
    for (auto& command : commands()) {
        if (command->name() == name)
            return command.get();
    }
    return nullptr;
}

std::vector<Command*> CommandRegistry::all()
{
    std::vector<Command*> list;
    for (auto& command : commands())
        list.push_back(command.get());
    std::sort(list.begin(), list.end(), [](auto* a, auto* b) { return a->name() < b->name(); });
    return list;
}

}
