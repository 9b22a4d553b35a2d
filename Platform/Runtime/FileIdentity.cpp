#include "Platform/Runtime/FileIdentity.hpp"

#include <sys/stat.h>

namespace tvk {

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity { info.st_dev, info.st_ino, info.st_size,
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec,
        static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec };
}

}
