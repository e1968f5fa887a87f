// Behaviour of the platform's own Env that the program relies on, natively
// and under Wine against the Win32 seam.  Names are Japanese: 表 ends in 0x5C,
// where a narrow API on a non-Japanese system would split it.
#include "platform/env.h"
#include "platform/text.h"

#include <cstring>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#else
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/win32/wide_text.h"

// Makes (or removes) the directory link ログ表\link to 板.  Under Wine that is
// a Unix link, made and removed by ln and rm run in ログ表: Windows programs
// see it as a junction, and neither DeleteFile nor RemoveDirectory takes it
// away (the latter empties its target).
bool unix_link(bool make) {
  std::wstring cmd = make ? vendrit::widen("/bin/ln -s 板 link") : L"/bin/rm link";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, vendrit::widen("ログ表").c_str(), &si, &pi);
  CloseHandle(pi.hThread), CloseHandle(pi.hProcess);
  // The handle of a Unix program may be signalled before it has run: wait for the link itself.
  for (int i = 0; i < 200; ++i, Sleep(50)) {
    DWORD a = GetFileAttributesW(vendrit::widen("ログ表\\link").c_str());
    if ((a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) == make) return true;
  }
  return false;
}
#endif

#include "tests/test_support.h"

namespace vendrit {
namespace {

class EnvTest : public RootTest {
 protected:
  Env* e = platform_env();
};

TEST_F(EnvTest, RenameNeverOverwritesAndReplaceDoes) {
  write_file("a.dat", "source");
  write_file("b.dat", "target");
  EXPECT_FALSE(e->rename_file("a.dat", "b.dat"));
  EXPECT_EQ(read_file("a.dat") + read_file("b.dat"), "sourcetarget");
  EXPECT_TRUE(e->rename_file("a.dat", "c.dat") && e->replace_file("c.dat", "b.dat"));
  EXPECT_EQ(read_file("b.dat"), "source");
}

// Listing and stat tell a link as a link and a FIFO as neither file nor
// directory; open takes regular files only and never waits on a FIFO;
// identity sees through links; errors give their numbers.
TEST_F(EnvTest, NamesKindsAndErrors) {
  ASSERT_TRUE(e->make_dir("ログ表"));
  EXPECT_TRUE(!e->make_dir("ログ表") && Env::last_error() == kErrExists);
  ASSERT_TRUE(e->make_dir("ログ表\\板"));
  write_file("ログ表\\スレ.DAT", "xyz");
  std::map<std::string, std::pair<FileKind, uint64_t>> seen, want = {
      {"板", {FileKind::kDir, 0}}, {"スレ.DAT", {FileKind::kFile, 3}}, {"link", {FileKind::kLink, 0}}};
#ifndef _WIN32
  ASSERT_EQ(symlink("板", "ログ表/link"), 0);
  ASSERT_EQ(mkfifo("ログ表/fifo", 0600), 0);
  want["fifo"] = {FileKind::kOther, 0};
  for (OpenMode m : {OpenMode::kRead, OpenMode::kAppend, OpenMode::kWriteTruncate}) EXPECT_FALSE(e->open("ログ表\\fifo", m));
#else
  ASSERT_TRUE(unix_link(true));
#endif
  FileIdentity a, b, c;
  ASSERT_TRUE(e->identity("ログ表\\板", &a) && e->identity("ログ表\\link", &b) && e->identity("ログ表\\スレ.DAT", &c));
  EXPECT_TRUE(a == b && !(a == c));
  auto l = e->list_dir("ログ表");
  DirEntry entry;
  FileStatus st;
  while (l && l->next(&entry)) {
    if (entry.name == "." || entry.name == "..") continue;
    seen[entry.name] = {entry.kind, entry.size};
    EXPECT_TRUE(e->stat(("ログ表\\" + entry.name).c_str(), &st) && st.kind == entry.kind && st.size == entry.size) << entry.name;
  }
  EXPECT_EQ(seen, want);
  EXPECT_TRUE(!e->remove_file("ログ表\\missing") && Env::last_error() == kErrNoEntry);
  EXPECT_FALSE(e->remove_dir("ログ表"));  // not empty
  // Relative paths name files below the root, wherever the process goes.
  enter_dir("ログ表");
  ASSERT_TRUE(e->fix_root());
  enter_dir("板");
  EXPECT_TRUE(e->stat("スレ.DAT", &st) && st.size == 3);
  EXPECT_TRUE(e->enter_root() && dir_exists("板"));  // the process's own directory too
  enter_dir("..");
  ASSERT_TRUE(e->fix_root());
  EXPECT_TRUE(e->remove_file("ログ表\\スレ.DAT") && e->remove_dir("ログ表\\板"));
#ifdef _WIN32
  EXPECT_TRUE(unix_link(false));  // before the root goes: its clean-up would walk into the link
#endif
}

// No open of a missing file or a directory; the write probe creates nothing;
// a new file never takes an existing one's place.
TEST_F(EnvTest, OpenModes) {
  EXPECT_FALSE(e->open("missing", OpenMode::kRead) || e->writable("missing") || e->list_dir("missing") ||
               e->sync_dir("missing"));
  write_file("f", "abc");
  make_dirs("dir");
  EXPECT_FALSE(e->open("f", OpenMode::kCreateNew) || e->open("dir", OpenMode::kRead));
  auto f = e->open("f", OpenMode::kAppend);
  ASSERT_TRUE(f && f->write("de", 2) && f->close());
  EXPECT_EQ(read_file("f"), "abcde");
}

#ifdef _WIN32
// A root named outside code page 932 leads to its files wherever the process
// goes; a name without a Shift_JIS form is unnamed and opens nothing (its best
// fit would be the file beside it); bytes that are no Shift_JIS name nothing;
// a name ending in a dot or blank is itself; paths may pass MAX_PATH.
TEST_F(EnvTest, WindowsNames) {
  const wchar_t* root = L"caf\u00e9\U0001F600";
  ASSERT_TRUE(CreateDirectoryW(root, nullptr) && SetCurrentDirectoryW(root) && e->fix_root());
  std::ofstream(std::filesystem::path(L"caf\u00e9.dat")) << "accent";
  write_file("cafe.dat", "plain");
  auto l = e->list_dir("");
  DirEntry entry;
  std::map<std::string, bool> seen;
  while (l && l->next(&entry)) seen[entry.name] = entry.unnamed;
  EXPECT_EQ(seen, (std::map<std::string, bool>{{".", false}, {"..", false}, {"caf?.dat", true}, {"cafe.dat", false}}));
  FileStatus st;
  EXPECT_FALSE(e->open("caf?.dat", OpenMode::kRead) || e->stat("caf?.dat", &st));
  EXPECT_TRUE(!e->open("bad\x81", OpenMode::kCreateNew) && Env::last_error() == EILSEQ);
  for (const char* name : {"end.", "end "}) {
    auto f = e->open(name, OpenMode::kCreateNew);
    EXPECT_TRUE(f && f->close() && !e->stat("end", &st) && e->stat((std::string("x\\..\\.\\") + name).c_str(), &st)) << name;
    EXPECT_TRUE(e->remove_file(name));  // else the clean-up, which cannot name it, never ends
  }
  enter_dir("..");
  EXPECT_TRUE(e->stat("cafe.dat", &st) && st.size == 5);
  wchar_t here[MAX_PATH];
  std::string deep = narrow(here, GetCurrentDirectoryW(MAX_PATH, here));
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(e->make_dir((deep += "\\" + std::string(60, 'd')).c_str())) << deep.size();
  auto f = e->open((deep + "\\f").c_str(), OpenMode::kCreateNew);
  ASSERT_TRUE(f && f->write("long", 4) && f->close() && e->rename_file((deep + "\\f").c_str(), (deep + "\\g").c_str()));
  l = e->list_dir(deep.c_str());
  for (seen.clear(); l && l->next(&entry);) seen[entry.name] = entry.size == 4;
  EXPECT_TRUE(seen["g"] && e->remove_file((deep + "\\g").c_str()));
  for (int i = 0; i < 5; ++i, deep.resize(deep.rfind('\\'))) ASSERT_TRUE(e->remove_dir(deep.c_str())) << deep.size();
  EXPECT_TRUE(e->enter_root() && file_exists("cafe.dat"));
}

// A file another program holds without sharing is renamed, removed or
// written once it is let go within moments, and not when held longer; the
// write probe fails where a replace would: the file is open (whatever its
// sharing) or read-only.
TEST_F(EnvTest, FilesHeldByAnotherProgram) {
  struct Row { int op; DWORD held_ms; bool done; } rows[] = {{0, 150, true}, {1, 150, true}, {2, 150, true}, {0, 1000, false}};
  for (const Row& r : rows) {
    write_file("held", "x");
    HANDLE h = CreateFileW(L"held", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::thread release([&] { Sleep(r.held_ms), CloseHandle(h); });
    bool done = r.op == 0 ? e->rename_file("held", "moved") : r.op == 1 ? e->remove_file("held") : !!e->open("held", OpenMode::kWriteTruncate);
    int error = Env::last_error();
    release.join();
    EXPECT_TRUE(done == r.done && (done || error == kErrAccess)) << r.op << " " << r.held_ms;
    e->remove_file("moved");
  }
  HANDLE reader = CreateFileW(L"held", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(!e->writable("held") && Env::last_error() == kErrAccess);
  CloseHandle(reader);
  EXPECT_TRUE(e->writable("held"));
  SetFileAttributesW(L"held", FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(e->writable("held"));
}
#endif

}  // namespace
}  // namespace vendrit
