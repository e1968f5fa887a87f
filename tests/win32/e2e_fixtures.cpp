#include "tests/win32/e2e_fixtures.h"

#include <cstdlib>

#include "platform/win32/wide_text.h"

namespace vendrit {
namespace e2e {

namespace {

std::wstring ini_path(const ReaderRoot& root) { return root.full("vendrit.ini"); }

std::string forward_slashes(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  return narrow(path.c_str());
}

}  // namespace

void MovedBoard::prepare(ReaderRoot& root) const {
  root.write("2channel.brd", board_line(b, "news"));
  root.make_dir(("log\\" + a + "\\news").c_str());
  root.write(source().c_str(), "name<>mail<>date<>body<>title\n");
}

void write_settings(const ReaderRoot& root,
                    const std::vector<std::pair<const char*, const char*>>& keys) {
  for (const auto& k : keys) {
    WritePrivateProfileStringW(L"vendrit", widen(k.first).c_str(), widen(k.second).c_str(),
                               ini_path(root).c_str());
  }
}

const char* profile_text(const char* japanese, const char* plain) {
  return GetACP() == kSjisCodePage ? japanese : plain;
}

std::string read_setting(const ReaderRoot& root, const char* key) {
  wchar_t value[1024];
  GetPrivateProfileStringW(L"vendrit", widen(key).c_str(), L"<none>", value, 1024,
                           ini_path(root).c_str());
  return narrow(value);
}

std::vector<std::string> setting_keys(const ReaderRoot& root) {
  std::vector<std::string> keys;
  std::string ini = root.read("vendrit.ini");
  size_t at = 0;
  while (at < ini.size()) {
    size_t eol = ini.find('\n', at);
    if (eol == std::string::npos) eol = ini.size();
    std::string line = ini.substr(at, eol - at);
    size_t eq = line.find('=');
    if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
    at = eol + 1;
  }
  return keys;
}

std::string script_text(int id) {
  HMODULE m = LoadLibraryExW((exe_dir() + L"\\vendrit.exe").c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!m) return "<no vendrit.exe>";
  wchar_t buf[1024];
  int n = LoadStringW(m, static_cast<UINT>(id), buf, 1024);
  FreeLibrary(m);
  return narrow(buf, n);
}

std::string notify_text(int id, HWND sender) {
  return "NOTIFY SSTP/1.1\r\nSender: Vendrit\r\nEvent: VendritStat" + std::to_string(id) +
         "\r\nScript: " + script_text(id) +
         "\r\nOption: nodescript,notranslate\r\nHWnd: " +
         std::to_string(reinterpret_cast<intptr_t>(sender)) + "\r\nCharset: Shift_JIS";
}

BackupProgram::BackupProgram(const ReaderRoot& root) : root_(root) {
  CreateDirectoryW(dir().c_str(), nullptr);
  CopyFileW((exe_dir() + L"\\fake_backup.exe").c_str(), program().c_str(), FALSE);
}

// The program's command goes through "vendrit.ini" in most tests.
std::wstring BackupProgram::dir() const {
  return root_.full(profile_text("バックアップ", "backup"));
}

std::string BackupProgram::arguments(int delay_ms) const {
  std::string out = " " + forward_slashes(root_.full("backup.txt"));
  if (delay_ms) out += " --delay-ms " + std::to_string(delay_ms);
  return out;
}

std::string BackupProgram::command(int delay_ms) const {
  return narrow(program().c_str()) + arguments(delay_ms);
}

std::string BackupProgram::bare_command(int delay_ms) const {
  return "fake_backup.exe" + arguments(delay_ms);
}

BackupRecord BackupProgram::record() const { return parse(root_.full("backup.txt")); }

BackupRecord BackupProgram::record_without_arguments() const {
  return parse(dir() + L"\\backup.txt");
}

BackupRecord BackupProgram::parse(const std::wstring& file) const {
  BackupRecord r;
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return r;
  std::string text;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  CloseHandle(h);
  auto field = [&](const char* key) {
    std::string k = std::string(key) + "=";
    size_t at = text.find(k);
    if (at == std::string::npos) return std::string();
    size_t eol = text.find('\n', at);
    return text.substr(at + k.size(), eol - at - k.size());
  };
  r.ran = true;
  r.cwd = field("cwd");
  r.command = field("cmd");
  r.start_ms = strtoull(field("start").c_str(), nullptr, 10);
  r.end_ms = strtoull(field("end").c_str(), nullptr, 10);
  return r;
}

}  // namespace e2e
}  // namespace vendrit
