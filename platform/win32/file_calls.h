#pragma once

#include <windows.h>

namespace psa {

// The Windows calls through which the file system changes files. Tests derive from it to make any one of them
// fail; the program uses the calls themselves.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    [[nodiscard]] virtual HANDLE create(const wchar_t *path, DWORD access, DWORD share, DWORD disposition);
    [[nodiscard]] virtual bool write(HANDLE file, const char *bytes, DWORD size, DWORD &written);
    [[nodiscard]] virtual bool flush(HANDLE file);
    // Puts `temporary` in the place of `target`, which exists when `targetExists`.
    [[nodiscard]] virtual bool replace(const wchar_t *target, const wchar_t *temporary, bool targetExists);
};

} // namespace psa
