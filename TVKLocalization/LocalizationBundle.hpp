#pragma once

#include "Platform/Text/ResourceBundle.hpp"

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace tvk {

/// Finds the catalog's resource bundle, "TVKLocalization_TVKLocalization.bundle", once per
/// process, in the first of these directories that holds it:
///
/// 1. the program's resource directory (`StandardPaths::resourceDirectory()`: TARVIK_RESOURCES,
///    <prefix>/share/tarvik beside the executable, or the source tree of a build);
/// 2. the directory this library installs its resources to (<install prefix>/share/tarvik, for
///    programs that live outside <prefix>/bin);
/// 3. the executable's own directory (an unpacked archive).
///
/// The bundle ships with every program, so a program without it is broken: the first lookup
/// prints "unable to find bundle named TVKLocalization_TVKLocalization" and the directories it
/// looked in to standard error and ends the process with status 1.
class LocalizationBundle {
public:
    static constexpr std::string_view bundleName = "TVKLocalization_TVKLocalization";

    /// The located bundle. Thread-safe; the search runs once even when several threads ask
    /// (and again after `ProcessWideState::reset()`, which tests use).
    static const ResourceBundle& module();

    /// Looks texts up in the best of these languages from now on instead of the environment's
    /// (none: the environment's again). For tools and tests that switch languages in-process.
    static void setPreferredLanguages(std::optional<std::vector<std::string>> languages);

    static std::vector<std::filesystem::path> candidateDirectories();
    /// The bundle in the first candidate that holds one; none when none does.
    static std::unique_ptr<ResourceBundle> locate(const std::vector<std::filesystem::path>& candidates);
};

}
