#pragma once

#include <cstdint>

namespace psa {

// Which file a name leads to once symbolic links are followed. Two names lead to the same file when device
// and inode agree: a second path, a symbolic or a hard link to it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool regularFile = false;
};

[[nodiscard]] constexpr bool sameFile(const FileIdentity &a, const FileIdentity &b)
{
    return a.device == b.device && a.inode == b.inode;
}

} // namespace psa
