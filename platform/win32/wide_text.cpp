#include "platform/win32/wide_text.h"

#include <windows.h>

#include "platform/text.h"

namespace vendrit {

namespace {

bool to_wide(const char* text, DWORD flags, std::wstring* out, int size = -1) {
  if (size < 0) size = static_cast<int>(strlen(text));
  out->clear();
  if (size == 0) return true;
  int n = MultiByteToWideChar(kSjisCodePage, flags, text, size, nullptr, 0);
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(kSjisCodePage, flags, text, size, &(*out)[0], n) == n;
}

}  // namespace

std::wstring widen(const char* text, int size) {
  std::wstring out;
  to_wide(text, 0, &out, size);
  return out;
}

bool widen_exact(const char* text, std::wstring* out) {
  return to_wide(text, MB_ERR_INVALID_CHARS, out);
}

std::string narrow(const wchar_t* text, int size, bool* lossy) {
  if (size < 0) size = static_cast<int>(wcslen(text));
  BOOL used_default = FALSE;
  std::string out;
  // Without WC_NO_BEST_FIT_CHARS the system picks a look-alike for a
  // character that has no Shift_JIS form.
  int n = size ? WideCharToMultiByte(kSjisCodePage, WC_NO_BEST_FIT_CHARS, text, size, nullptr, 0,
                                     "?", &used_default)
               : 0;
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(kSjisCodePage, WC_NO_BEST_FIT_CHARS, text, size, &out[0], n, "?",
                        nullptr);
  }
  if (lossy) *lossy = used_default || (size > 0 && n <= 0);
  return out;
}

bool narrow_to(const wchar_t* text, char* buf, size_t size) {
  if (size == 0) return false;
  std::string s = narrow(text);
  // A cut never leaves half a double-byte character.
  size_t keep = sjis_fit(s.data(), s.size(), size - 1);
  memcpy(buf, s.data(), keep);
  buf[keep] = '\0';
  return keep == s.size();
}

}  // namespace vendrit
