#pragma once

// The two ways Win32FileSystem replaces a file; internal to platform/win32.

#include "platform/file_failure.h"
#include "platform/toolkit.h"
#include "platform/win32/file_calls.h"
#include "platform/win32/win32_text.h"

#include <string>

namespace psa {

// The kind of failure a Windows error number stands for.
[[nodiscard]] FileFailure failureOfError(DWORD error);
// The reason for a failed Windows call, in the user's words; `error` is GetLastError() right after the
// failing call, `what` says what was being done, for errors without a reason of their own.
[[nodiscard]] std::u16string reasonOf(DWORD error, std::u16string_view what);

// Writes to a new temporary file beside `target` and puts it in the target's place at Commit. Fails to open
// when no file can be created in that folder.
[[nodiscard]] Opened<AtomicWriter> openTemporaryWriter(
    FileCalls &calls, const std::wstring &target, bool targetExists);

// Rewrites the existing file `target` where it is, putting its old bytes back when anything fails.
[[nodiscard]] Opened<AtomicWriter> openInPlaceWriter(FileCalls &calls, const std::wstring &target);

} // namespace psa
