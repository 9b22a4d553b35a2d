#pragma once

#include "TVKCore/VideoConference/VideoConferenceService.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// "ConferenceServices.plist": services that the user adds to the built-in ones, an XML
/// property list whose root is an array of dictionaries with "id", "regex", "name" (strings)
/// and "supportsNativeApp" (Boolean). It lives in the application-support directory and is
/// seeded there from the resource of the same name; the seeded or edited file is never
/// replaced. Everything is logged under "ConferenceLinks" with the messages below, which
/// users and support scripts look for.
class ConferenceServicesFile {
public:
    static constexpr char fileName[] = "ConferenceServices.plist";

    /// Where the file lives; none when there is no application-support directory.
    static std::optional<std::filesystem::path> place();
    /// The seed among the program's resources; none when there is none.
    static std::optional<std::filesystem::path> seed();

    /// Copies the seed to `place()` unless a file is there already, creating the directory
    /// when it is missing. The copy appears under its name all at once, and never replaces a
    /// file that another process put there meanwhile.
    static void install();

    /// The services of the file at `place()`, in file order; none after logging why not.
    static std::optional<std::vector<VideoConferenceService>> load();

    /// Decodes the file's bytes. One bad element fails the whole file.
    static tl::expected<std::vector<VideoConferenceService>, std::string> decode(std::string_view bytes);
};

}
