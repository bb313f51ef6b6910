#include "platform/qt/same_file.h"

#include "platform/qt/native_path.h"

#include <string>

#include <sys/stat.h>

namespace psa {

std::optional<FileIdentity> identifyFile(std::u16string_view path)
{
    const std::string bytes = nativePath(path);
    struct stat status { };
    // A name cut short at a zero byte would be another file's.
    if (bytes.find('\0') != std::string::npos || ::stat(bytes.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity { std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
        S_ISREG(status.st_mode) };
}

} // namespace psa
