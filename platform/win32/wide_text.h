// Text at the Win32 boundary: the program's text is Shift_JIS (code page 932)
// bytes, the Windows API used here is the wide-character one.  Converting
// with code page 932 explicitly, never the system's ANSI code page, keeps the
// program's behaviour the same on a Windows set up for another language.
#pragma once

#include <cstddef>
#include <string>

namespace vendrit {

constexpr unsigned kSjisCodePage = 932;

// Shift_JIS bytes to UTF-16; `size` bytes, or up to the terminator when -1.
std::wstring widen(const char* text, int size = -1);
// UTF-16 to Shift_JIS bytes; characters without a Shift_JIS form become '?'.
std::string narrow(const wchar_t* text, int size = -1);
// Copies the Shift_JIS form of `text` into buf, cut to at most size-1 bytes
// without splitting a double-byte character; false when it was cut.
bool narrow_to(const wchar_t* text, char* buf, size_t size);

}  // namespace vendrit
