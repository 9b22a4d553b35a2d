#include "Platform/CommandLine/Command.hpp"

#include <algorithm>
#include <cassert>
#include <ostream>

namespace tvk::cli {

namespace {

std::vector<std::unique_ptr<Command>>& commands()
{
    static std::vector<std::unique_ptr<Command>> registered;
    return registered;
}

/// "list, add, remove or test".
std::string alternatives(const std::vector<std::string>& names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

/// The option a word names ("--field" or "--field=x"), or none for a word that is no option.
std::optional<std::string> optionName(const std::string& word)
{
    if (!word.starts_with("--") || word == "--")
        return std::nullopt;
    return word.substr(2, word.find('=') == std::string::npos ? std::string::npos : word.find('=') - 2);
}

}

void Invocation::note(std::string_view message) const
{
    err << messagePrefix << message << '\n';
}

Command::Command(std::string name, std::string summary)
    : m_name(std::move(name))
    , m_summary(std::move(summary))
{
}

ArgumentSyntax& Command::form(Run run)
{
    m_forms.insert(m_forms.begin(), std::make_unique<Form>(Form { {}, {}, std::move(run) }));
    return m_forms.front()->syntax;
}

ArgumentSyntax& Command::action(std::string name, Run run)
{
    m_forms.push_back(std::make_unique<Form>(Form { std::move(name), {}, std::move(run) }));
    return m_forms.back()->syntax;
}

std::string Command::help(std::string_view programName) const
{
    std::string text;
    for (auto& form : m_forms) {
        text += text.empty() ? "usage: " : "       ";
        text += std::string(programName) + (m_readsTheClock ? " [--now ISO-8601] " : " ") + m_name;
        for (const auto& part : { form->action, form->syntax.synopsis() }) {
            if (!part.empty())
                text += " " + part;
        }
        text += '\n';
    }
    return text + "\n" + description();
}

tl::expected<std::pair<const Command::Form*, std::vector<std::string>>, std::string> Command::select(
    std::span<const std::string> arguments) const
{
    assert(!m_forms.empty() && "a command declares at least one form");
    std::vector<std::string> words(arguments.begin(), arguments.end());
    const Form* withoutAction = m_forms.empty() || !m_forms.front()->action.empty() ? nullptr : m_forms.front().get();
    bool hasActions = m_forms.size() > (withoutAction ? 1u : 0u);
    if (!hasActions)
        return std::pair { withoutAction, std::move(words) };

    // The action is the first positional word; the value of an option that some form declares
    // is not one.
    std::optional<size_t> actionIndex;
    for (size_t i = 0; i < words.size() && !actionIndex; ++i) {
        if (words[i] == "--") {
            if (i + 1 < words.size())
                actionIndex = i + 1;
            break;
        }
        if (!isOptionWord(words[i])) {
            actionIndex = i;
            break;
        }
        auto name = optionName(words[i]);
        bool takesValue = name && words[i].find('=') == std::string::npos
            && std::any_of(m_forms.begin(), m_forms.end(), [&](auto& form) { return form->syntax.takesValue(*name); });
        if (takesValue)
            ++i;
    }
    std::vector<std::string> actions;
    for (auto& form : m_forms) {
        if (!form->action.empty())
            actions.push_back(form->action);
    }
    if (!actionIndex) {
        if (withoutAction)
            return std::pair { withoutAction, std::move(words) };
        return tl::unexpected("missing the action (" + alternatives(actions) + ")");
    }
    auto named = std::find_if(m_forms.begin(), m_forms.end(), [&](auto& form) { return form->action == words[*actionIndex]; });
    if (named == m_forms.end() || words[*actionIndex].empty())
        return tl::unexpected("unknown action \"" + words[*actionIndex] + "\" (" + alternatives(actions) + ")");
    const Form& form = **named;
    words.erase(words.begin() + static_cast<long>(*actionIndex));

    // An option of another action is named as such, rather than as unknown.
    for (size_t i = 0; i < words.size() && words[i] != "--"; ++i) {
        auto name = optionName(words[i]);
        if (name && form.syntax.takesValue(*name) && words[i].find('=') == std::string::npos)
            ++i;
        if (!name || form.syntax.declares(*name))
            continue;
        if (std::any_of(m_forms.begin(), m_forms.end(), [&](auto& other) { return other->syntax.declares(*name); }))
            return tl::unexpected("--" + *name + " does not apply to " + form.action);
    }
    return std::pair { &form, std::move(words) };
}

int Command::execute(
    std::string_view programName, std::span<const std::string> arguments, std::istream& in, std::ostream& out, std::ostream& err) const
{
    std::string prefix = std::string(programName) + " " + m_name + ": ";
    auto report = [&](const CommandError& error) {
        if (error.kind == CommandError::Kind::failure) {
            if (!error.message.empty())
                err << prefix << error.message << '\n';
            return static_cast<int>(ExitStatus::failure);
        }
        err << prefix << error.message << '\n';
        if (error.help == UsageHelp::follows)
            err << '\n' << help(programName);
        return static_cast<int>(ExitStatus::usageError);
    };

    for (auto& argument : arguments) {
        if (argument == "--")
            break;
        if (argument == "--help" || argument == "-h") {
            out << help(programName);
            return static_cast<int>(ExitStatus::success);
        }
    }
    auto selected = select(arguments);
    if (!selected)
        return report(CommandError { CommandError::Kind::usage, selected.error() });
    auto [form, words] = std::move(*selected);
    auto parsed = form->syntax.parse(words, form->action);
    if (!parsed)
        return report(CommandError { CommandError::Kind::usage, parsed.error() });
    auto result = form->run(Invocation { *parsed, in, out, err, prefix });
    if (!result)
        return report(result.error());
    return static_cast<int>(ExitStatus::success);
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
