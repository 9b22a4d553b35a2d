#include "TVKCore/VideoConference/ConferenceServicesFile.hpp"

#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "Platform/Text/PropertyListSerialization.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/LogCategories.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace tvk {

namespace {

std::string systemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

tl::expected<std::string, std::string> readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return tl::unexpected(systemError("cannot open \"" + path.string() + "\"", errno));
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return tl::unexpected(systemError("cannot read \"" + path.string() + "\"", errno));
    return contents.str();
}

bool writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        auto written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes the bytes into a file without a name in the destination's directory and links it
// into place: a program killed halfway leaves nothing behind, since the kernel drops a file
// that never got a name.
std::optional<tl::expected<void, std::string>> linkUnnamedFile(const std::string& contents, const std::filesystem::path& destination)
{
    // Created with the usual permissions less the umask, as a plain copy would be.
    int descriptor = ::open(destination.parent_path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return std::nullopt; // a file system without unnamed files: the caller uses a named one
    bool written = writeAll(descriptor, contents) && ::fsync(descriptor) == 0;
    int error = errno;
    int linked = -1;
    if (written) {
        auto self = "/proc/self/fd/" + std::to_string(descriptor);
        linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, destination.c_str(), AT_SYMLINK_FOLLOW);
        error = errno;
    }
    ::close(descriptor);
    if (!written)
        return tl::unexpected(systemError("cannot write into \"" + destination.parent_path().string() + "\"", error));
    if (linked != 0) {
        if (error == ENOENT)
            return std::nullopt; // no /proc: a named file is the only way
        return tl::unexpected(systemError("cannot create \"" + destination.string() + "\"", error));
    }
    return tl::expected<void, std::string> {};
}

// Writes the bytes to a temporary file beside the destination and links it into place, so
// that a reader never sees half a file and a file that appeared meanwhile is kept.
tl::expected<void, std::string> copyWithoutReplacing(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    auto contents = readFile(source);
    if (!contents)
        return tl::unexpected(contents.error());
    std::error_code directoryError;
    std::filesystem::create_directories(destination.parent_path(), directoryError);
    if (directoryError)
        return tl::unexpected("cannot create the directory \"" + destination.parent_path().string() + "\": " + directoryError.message());
    if (auto linked = linkUnnamedFile(*contents, destination))
        return *linked;
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 16 && descriptor < 0; ++attempt) {
        temporary = (destination.parent_path() / ("." + destination.filename().string() + "." + UUID().uuidString())).string();
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0)
        return tl::unexpected(systemError("cannot create a file in \"" + destination.parent_path().string() + "\"", errno));
    bool written = writeAll(descriptor, *contents) && ::fsync(descriptor) == 0;
    int writeError = errno;
    ::close(descriptor);
    if (!written) {
        ::unlink(temporary.c_str());
        return tl::unexpected(systemError("cannot write \"" + temporary + "\"", writeError));
    }
    int linked = ::link(temporary.c_str(), destination.c_str());
    int linkError = errno;
    ::unlink(temporary.c_str());
    if (linked != 0)
        return tl::unexpected(systemError("cannot create \"" + destination.string() + "\"", linkError));
    return {};
}

}

std::optional<std::filesystem::path> ConferenceServicesFile::place()
{
    auto directory = StandardPaths::applicationSupportDirectory();
    if (directory.empty() || !directory.is_absolute())
        return std::nullopt;
    return directory / fileName;
}

std::optional<std::filesystem::path> ConferenceServicesFile::seed()
{
    auto resources = StandardPaths::resourceDirectory();
    if (!resources)
        return std::nullopt;
    auto path = *resources / fileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    return path;
}

void ConferenceServicesFile::install()
{
    const auto& category = LogCategories::conferenceLinks;
    auto destination = place();
    if (!destination) {
        QMLogger::error(category, "could not create configFileUrl");
        return;
    }
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(*destination, error)))
        return;
    auto source = seed();
    if (!source) {
        QMLogger::error(category, "could not find conference services config file in bundle");
        return;
    }
    QMLogger::info(category, "Copying conference services config file to " + Url::fileUrl(*destination).absoluteString() + " …");
    auto copied = copyWithoutReplacing(*source, *destination);
    if (copied)
        QMLogger::info(category, "  … success");
    else
        QMLogger::error(category, "Could not copy conference services config file. Error: " + copied.error());
}

std::optional<std::vector<VideoConferenceService>> ConferenceServicesFile::load()
{
    const auto& category = LogCategories::conferenceLinks;
    auto path = place();
    if (!path) {
        QMLogger::error(category, "could not create configFileUrl");
        return std::nullopt;
    }
    auto contents = readFile(*path);
    tl::expected<std::vector<VideoConferenceService>, std::string> services = tl::unexpected(std::string());
    if (contents)
        services = decode(*contents);
    else
        services = tl::unexpected(contents.error());
    if (!services) {
        QMLogger::error(category, "Could not decode conference services config file. Error: " + services.error());
        return std::nullopt;
    }
    return std::move(*services);
}

tl::expected<std::vector<VideoConferenceService>, std::string> ConferenceServicesFile::decode(std::string_view bytes)
{
    auto root = PropertyListSerialization::read(bytes);
    if (!root)
        return tl::unexpected(root.error());
    const auto* array = root->get<PropertyList::Array>();
    if (!array)
        return tl::unexpected(std::string("the root of the property list is not an array"));
    std::vector<VideoConferenceService> services;
    services.reserve(array->size());
    for (std::size_t index = 0; index < array->size(); ++index) {
        auto service = VideoConferenceService::fromPropertyList((*array)[index]);
        if (!service)
            return tl::unexpected("element " + std::to_string(index) + ": " + service.error());
        services.push_back(std::move(*service));
    }
    return services;
}

}
