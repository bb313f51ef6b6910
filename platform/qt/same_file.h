#pragma once

#include "platform/file_identity.h"

#include <optional>
#include <string_view>

namespace psa {

// The file `path` leads to, following symbolic links; nothing when no file is there or it cannot be looked
// at (a folder on the way that may not be searched), in which case nothing can be opened there either.
[[nodiscard]] std::optional<FileIdentity> identifyFile(std::u16string_view path);

} // namespace psa
