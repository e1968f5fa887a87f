// The platform's own Env where the program relies on it, natively and under
// Wine against the Win32 seam.
#include "platform/env.h"

#include <map>

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <thread>
#endif

#include "tests/test_support.h"

namespace vendrit {
namespace {

class EnvTest : public RootTest {
 protected:
  Env* e = platform_env();
  FileStatus st;
};

// A rename never takes an existing file's place, a replace does; the write
// probe calls a missing file unwritable (and makes none); relative paths name
// files below the root wherever the process goes.
TEST_F(EnvTest, RenameProbeAndRoot) {
  write_file("a.dat", "source");
  write_file("b.dat", "target");
  EXPECT_FALSE(e->rename_file("a.dat", "b.dat"));
  EXPECT_TRUE(e->replace_file("a.dat", "b.dat"));
  EXPECT_EQ(read_file("b.dat"), "source");
  EXPECT_FALSE(e->writable("missing"));
  make_dirs("ログ表");
  enter_dir("ログ表");
  EXPECT_TRUE(e->stat("b.dat", &st));
}

#ifdef _WIN32
// A root named outside code page 932 leads to its files wherever the process
// goes; a name without a Shift_JIS form is listed unnamed, not as its best
// fit, the name of the file beside it.
TEST_F(EnvTest, WindowsNames) {
  ASSERT_TRUE(CreateDirectoryW(L"caf\u00e9", nullptr));
  SetCurrentDirectoryW(L"caf\u00e9");
  e->fix_root();
  std::ofstream(std::filesystem::path(L"caf\u00e9.dat")) << "accent";
  write_file("cafe.dat", "plain");
  auto listing = e->list_dir("");
  DirEntry entry;
  std::map<std::string, bool> unnamed;
  while (listing && listing->next(&entry)) unnamed[entry.name] = entry.unnamed;
  EXPECT_EQ(unnamed, (std::map<std::string, bool>{{".", false}, {"..", false}, {"caf?.dat", true}, {"cafe.dat", false}}));
  enter_dir("..");
  EXPECT_TRUE(e->stat("cafe.dat", &st));
}

// A name that ends in a dot or a blank is the name it says, and a path may
// run past MAX_PATH: a thread log deep in a tree moves like any other.
TEST_F(EnvTest, LongPathsAndTrailingDots) {
  const std::string dot_dir = std::string(150, 'd') + ".";
  const std::string deep = dot_dir + "\\" + std::string(150, 'e') + " ";
  ASSERT_TRUE(e->make_dir(dot_dir.c_str()));
  ASSERT_TRUE(e->make_dir(deep.c_str()));
  ASSERT_TRUE(e->open((deep + "\\a.dat").c_str(), OpenMode::kCreateNew));
  EXPECT_TRUE(e->rename_file((deep + "\\a.dat").c_str(), (deep + "\\b.dat").c_str()));
  EXPECT_FALSE(e->stat(std::string(150, 'd').c_str(), &st));  // the dot kept
  EXPECT_TRUE(e->stat((deep + "\\b.dat").c_str(), &st));
  // The clean-up cannot name these: the test takes them away itself.
  EXPECT_TRUE(e->remove_file((deep + "\\b.dat").c_str()));
  EXPECT_TRUE(e->remove_dir(deep.c_str()));
  EXPECT_TRUE(e->remove_dir(dot_dir.c_str()));
}

// A file another program holds without sharing is renamed once it is let go
// within moments, and not when held longer; the write probe fails while the
// file is open, whatever its sharing.
TEST_F(EnvTest, FilesHeldByAnotherProgram) {
  for (DWORD held_ms : {150, 1000}) {
    write_file("held", "x");
    HANDLE h = CreateFileW(L"held", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::thread release([&] {
      Sleep(held_ms);
      CloseHandle(h);
    });
    EXPECT_EQ(e->rename_file("held", "moved"), held_ms < 1000);
    release.join();
  }
  const DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE reader = CreateFileW(L"held", GENERIC_READ, share_all, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(e->writable("held"));
  CloseHandle(reader);
  EXPECT_TRUE(e->writable("held"));
}
#endif

}  // namespace
}  // namespace vendrit
