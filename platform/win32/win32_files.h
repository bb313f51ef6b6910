#pragma once

#include "platform/toolkit.h"
#include "platform/win32/file_calls.h"

#include <windows.h>

namespace psa {

// Files on Windows, by their Unicode names:
// - saving writes a temporary file beside the target, checks every write and the flush to disk, and only
//   then puts it in the target's place, so that any failure leaves the old file as it was;
// - where no file can be created beside the target (a folder the user may not write to) but the target
//   itself may be written, it is rewritten in place, its old bytes kept in memory and written back when a
//   write or the flush fails;
// - only disk files are read or replaced: a folder, a device (NUL, CON, COM1, \\.\ names), a pipe and a
//   read-only file are refused with the reason, and left as they were.
// Messages are the reasons alone, in Japanese; the caller names the file.
class Win32FileSystem final : public FileSystem {
public:
    explicit Win32FileSystem(FileCalls &calls);
    Win32FileSystem();

    [[nodiscard]] Opened<ByteReader> openForReading(std::u16string_view path) override;
    [[nodiscard]] Opened<AtomicWriter> createReplacing(std::u16string_view path) override;
    [[nodiscard]] std::optional<std::u16string> decodeShiftJis(std::string_view bytes) const override;

private:
    FileCalls &m_calls;
};

// Whether the path names a device rather than a file: \\.\ names, and the names Windows keeps for devices
// in every folder (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any extension).
[[nodiscard]] bool isDevicePath(std::u16string_view path);

} // namespace psa
