// Behaviour of the platform's own Env that the program relies on.
#include "platform/env.h"

#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"
#endif

#include "tests/test_support.h"

namespace vendrit {
namespace {

#ifdef _WIN32
// Makes the directory link `link` to `target` (relative to the link), or
// removes it when `target` is null.  Under Wine that is a Unix link, made and
// removed by ln and rm: Windows programs see it as a junction, and neither
// DeleteFile nor RemoveDirectory takes it away (the latter empties its target).
bool dir_link(const char* link, const char* target) {
  wchar_t full[MAX_PATH];
  if (!GetFullPathNameW(widen(link).c_str(), MAX_PATH, full, nullptr)) return false;
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_name) {
    return target ? CreateSymbolicLinkW(full, widen(target).c_str(), 1) != 0 : RemoveDirectoryW(full) != 0;
  }
  char* path = unix_name(full);
  if (!path) return false;
  std::wstring cmd = (target ? L"/bin/ln -s " + widen(target) : std::wstring(L"/bin/rm")) + L" " + widen(path);
  HeapFree(GetProcessHeap(), 0, path);
  std::vector<wchar_t> line(cmd.begin(), cmd.end());
  line.push_back(L'\0');
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // The handle of a Unix program may be signalled before it has run: wait
  // for the link itself.
  for (int i = 0; i < 200; ++i, Sleep(50)) {
    DWORD attributes = GetFileAttributesW(full);
    bool is_link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (is_link == (target != nullptr)) return true;
  }
  return false;
}
#endif

class EnvTest : public RootTest {
 protected:
  Env* e = platform_env();
};

TEST_F(EnvTest, RenameNeverOverwrites) {
  write_file("a.dat", "source");
  write_file("b.dat", "target");
  EXPECT_FALSE(e->rename_file("a.dat", "b.dat"));
  EXPECT_EQ(read_file("b.dat"), "target");
  EXPECT_EQ(read_file("a.dat"), "source");
  EXPECT_TRUE(e->rename_file("a.dat", "c.dat"));
  EXPECT_EQ(read_file("c.dat"), "source");
  EXPECT_TRUE(e->replace_file("c.dat", "b.dat"));
  EXPECT_EQ(read_file("b.dat"), "source");
}

TEST_F(EnvTest, BackslashPathsAndErrorNumbers) {
  EXPECT_TRUE(e->make_dir("log"));
  EXPECT_FALSE(e->make_dir("log"));
  EXPECT_EQ(Env::last_error(), kErrExists);
  EXPECT_TRUE(e->make_dir("log\\srv"));
  write_file("log\\srv\\1.dat", "12345");
  FileStatus st;
  ASSERT_TRUE(e->stat("log\\srv\\1.dat", &st));
  EXPECT_EQ(st.kind, FileKind::kFile);
  EXPECT_EQ(st.size, 5u);
  EXPECT_FALSE(e->remove_file("log\\srv\\missing.dat"));
  EXPECT_EQ(Env::last_error(), kErrNoEntry);
  EXPECT_FALSE(e->remove_dir("log\\srv"));  // not empty
  EXPECT_TRUE(e->remove_file("log\\srv\\1.dat"));
  EXPECT_TRUE(e->remove_dir("log\\srv"));
}

// Listing and stat tell a link as a link and a FIFO as neither file nor
// directory; open takes regular files only and never waits on a FIFO;
// identity sees through links.
TEST_F(EnvTest, KindsOfNamesAndIdentity) {
  make_dirs("d\\Sub");
  write_file("d\\File.DAT", "xyz");
  std::map<std::string, std::pair<FileKind, uint64_t>> want = {
      {"Sub", {FileKind::kDir, 0}}, {"File.DAT", {FileKind::kFile, 3}}};
#ifndef _WIN32
  ASSERT_EQ(symlink("Sub", "d/link"), 0);
  ASSERT_EQ(mkfifo("d/fifo", 0600), 0);
  want["fifo"] = {FileKind::kOther, 0};
  for (OpenMode mode : {OpenMode::kRead, OpenMode::kAppend, OpenMode::kWriteTruncate}) {
    EXPECT_FALSE(e->open("d\\fifo", mode));
  }
#else
  ASSERT_TRUE(dir_link("d\\link", "Sub"));
#endif
  want["link"] = {FileKind::kLink, 0};
  FileIdentity a, b, c;
  ASSERT_TRUE(e->identity("d\\Sub", &a) && e->identity("d\\link", &b));
  ASSERT_TRUE(e->identity("d\\File.DAT", &c));
  EXPECT_EQ(a, b);
  EXPECT_FALSE(a == c);
  std::unique_ptr<DirListing> l = e->list_dir("d");
  ASSERT_TRUE(l);
  std::map<std::string, std::pair<FileKind, uint64_t>> seen;
  DirEntry entry;
  while (l->next(&entry)) {
    if (entry.name == "." || entry.name == "..") continue;
    seen[entry.name] = {entry.kind, entry.size};
    FileStatus st;
    ASSERT_TRUE(e->stat(("d\\" + entry.name).c_str(), &st));
    EXPECT_EQ(st.kind, entry.kind) << entry.name;
  }
  EXPECT_EQ(seen, want);
  EXPECT_FALSE(e->list_dir("missing"));
#ifdef _WIN32
  // The link goes before the root does; the clean-up would walk into it.
  EXPECT_TRUE(dir_link("d\\link", nullptr));
#endif
}

#ifndef _WIN32
// The root lock is held against every other process, by directory, and
// goes with the process that held it.
TEST_F(EnvTest, RootLockIsOneProcessPerDirectory) {
  make_dirs("other");
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  pid_t child = fork();
  if (child == 0) {
    char c = e->root_lock_acquire() ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1 || read(done[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  EXPECT_FALSE(e->root_lock_acquire());
  ASSERT_EQ(chdir("other"), 0);
  EXPECT_TRUE(e->root_lock_acquire());
  e->root_lock_release();
  ASSERT_EQ(chdir(".."), 0);
  ASSERT_EQ(write(done[1], "x", 1), 1);
  int status;
  waitpid(child, &status, 0);
  EXPECT_TRUE(e->root_lock_acquire());
  e->root_lock_release();
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}
#endif

TEST_F(EnvTest, OpenModes) {
  EXPECT_FALSE(e->open("missing", OpenMode::kRead));
  EXPECT_FALSE(e->writable("missing"));
  write_file("f", "abc");
  EXPECT_FALSE(e->open("f", OpenMode::kCreateNew));
  {
    auto f = e->open("f", OpenMode::kAppend);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->write("de", 2));
    EXPECT_TRUE(f->close());
  }
  EXPECT_EQ(read_file("f"), "abcde");
  make_dirs("dir");
  EXPECT_FALSE(e->open("dir", OpenMode::kRead));
}

}  // namespace
}  // namespace vendrit
