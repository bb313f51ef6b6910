#pragma once

// File names on Unix are bytes, not text: a name unpacked from a Windows zip may be Shift_JIS, which is no
// UTF-8. The program carries paths as UTF-16; these two functions move between the two without losing a
// byte, so that such a file can be named on the command line, opened and written under its own name.

#include <string>
#include <string_view>

namespace psa {

// The path's bytes as the system's calls take them: UTF-8, except that each lone surrogate U+DC80 to
// U+DCFF stands for the one byte 0x80 to 0xFF that pathFromNative could not read as UTF-8. Any other lone
// surrogate is written as U+FFFD.
[[nodiscard]] std::string nativePath(std::u16string_view path);

// Reads a path's bytes as UTF-8; each byte that does not belong to a well-formed UTF-8 sequence (a stray
// continuation byte, a cut or overlong sequence, an encoded surrogate, a value above U+10FFFF) becomes the
// lone surrogate U+DC00 + byte. nativePath(pathFromNative(b)) == b for any bytes b.
[[nodiscard]] std::u16string pathFromNative(std::string_view bytes);

} // namespace psa
