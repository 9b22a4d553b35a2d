#include "TVKLocalization/LocalizationBundle.hpp"

#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "Platform/Runtime/StandardPaths.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tvk {

namespace {

[[noreturn]] void stopForMissingBundle(const std::vector<std::filesystem::path>& candidates)
{
    std::string message = "unable to find bundle named " + std::string(LocalizationBundle::bundleName) + "\n";
    message += "(looked in:";
    for (const auto& candidate : candidates)
        message += " " + candidate.string();
    message += "; set TARVIK_RESOURCES to the directory that holds it)\n";
    std::fflush(stdout);
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
    // Not exit(): other threads may be running, and static destructors must not run under them.
    std::_Exit(EXIT_FAILURE);
}

}

std::vector<std::filesystem::path> LocalizationBundle::candidateDirectories()
{
    std::vector<std::filesystem::path> candidates;
    if (auto resources = StandardPaths::resourceDirectory())
        candidates.push_back(*resources);
#ifdef TVK_LOCALIZATION_INSTALLED_RESOURCES
    candidates.emplace_back(TVK_LOCALIZATION_INSTALLED_RESOURCES);
#endif
    if (auto executable = StandardPaths::executablePath(); !executable.empty())
        candidates.push_back(executable.parent_path());
    return candidates;
}

std::unique_ptr<ResourceBundle> LocalizationBundle::locate(const std::vector<std::filesystem::path>& candidates)
{
    for (const auto& directory : candidates) {
        if (auto bundle = ResourceBundle::open(directory / (std::string(bundleName) + ".bundle")))
            return bundle;
    }
    return nullptr;
}

namespace {

ResourceBundle& locatedBundle()
{
    static auto* instance = new ProcessWideInstance<ResourceBundle>;
    return instance->get([] {
        auto candidates = LocalizationBundle::candidateDirectories();
        auto located = LocalizationBundle::locate(candidates);
        if (!located)
            stopForMissingBundle(candidates);
        return located.release();
    });
}

}

const ResourceBundle& LocalizationBundle::module()
{
    return locatedBundle();
}

void LocalizationBundle::setPreferredLanguages(std::optional<std::vector<std::string>> languages)
{
    locatedBundle().setPreferredLanguages(std::move(languages));
}

}
