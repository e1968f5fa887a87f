// Text at the Win32 boundary: the program's text is Shift_JIS (code page 932)
// bytes, the Windows API used here is the wide-character one.  Converting
// with code page 932 explicitly, never the system's ANSI code page, keeps the
// program's behaviour the same on a Windows set up for another language.
#pragma once

#include <cstddef>
#include <string>

namespace vendrit {

constexpr unsigned kSjisCodePage = 932;

// Shift_JIS bytes to UTF-16 for showing; `size` bytes, or up to the
// terminator when -1.  A byte sequence that is no Shift_JIS becomes U+30FB.
std::wstring widen(const char* text, int size = -1);
// The same for a name or path: false when `text` holds a byte sequence that
// is no Shift_JIS, which must fail the call rather than name another file.
bool widen_exact(const char* text, std::wstring* out);
// UTF-16 to Shift_JIS bytes.  A character without a Shift_JIS form becomes
// '?' and sets *lossy; it never becomes a look-alike ("é" is no "e", "¥" no
// backslash), so that the result never names another file.
std::string narrow(const wchar_t* text, int size = -1, bool* lossy = nullptr);
// Copies the Shift_JIS form of `text` into buf, cut to at most size-1 bytes
// without splitting a double-byte character; false when it was cut.
bool narrow_to(const wchar_t* text, char* buf, size_t size);

}  // namespace vendrit
