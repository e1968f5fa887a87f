#include "platform/win32/wide_text.h"

#include <windows.h>

#include "platform/text.h"

namespace vendrit {

std::wstring widen(const char* text, int size) {
  if (size < 0) size = static_cast<int>(strlen(text));
  if (size == 0) return std::wstring();
  int n = MultiByteToWideChar(kSjisCodePage, 0, text, size, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kSjisCodePage, 0, text, size, &out[0], n);
  return out;
}

std::string narrow(const wchar_t* text, int size) {
  if (size < 0) size = static_cast<int>(wcslen(text));
  if (size == 0) return std::string();
  int n = WideCharToMultiByte(kSjisCodePage, 0, text, size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kSjisCodePage, 0, text, size, &out[0], n, nullptr, nullptr);
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
