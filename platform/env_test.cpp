// Behaviour of the platform's own Env that the program relies on.
#include "platform/env.h"
#include "app/run_settings.h"

#include <map>

#include "tests/test_support.h"

namespace vendrit {
namespace {

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
  EXPECT_EQ(e->make_dir("log"), 0);
  EXPECT_EQ(e->make_dir("log"), kErrExists);
  EXPECT_EQ(e->make_dir("log\\srv"), 0);
  write_file("log\\srv\\1.dat", "12345");
  FileStatus st;
  ASSERT_TRUE(e->stat("log\\srv\\1.dat", &st));
  EXPECT_FALSE(st.is_dir);
  EXPECT_EQ(st.size, 5u);
  EXPECT_EQ(e->remove_file("log\\srv\\missing.dat"), kErrNoEntry);
  EXPECT_FALSE(e->remove_dir("log\\srv"));  // not empty
  EXPECT_EQ(e->remove_file("log\\srv\\1.dat"), 0);
  EXPECT_TRUE(e->remove_dir("log\\srv"));
}

TEST_F(EnvTest, ListingGivesNamesFlagsAndSizes) {
  make_dirs("d\\Sub");
  write_file("d\\File.DAT", "xyz");
  std::unique_ptr<DirListing> l = e->list_dir("d");
  ASSERT_TRUE(l);
  std::map<std::string, std::pair<bool, uint64_t>> seen;
  DirEntry entry;
  while (l->next(&entry)) seen[entry.name] = {entry.is_dir, entry.size};
  EXPECT_EQ(seen["Sub"].first, true);
  EXPECT_EQ(seen["File.DAT"], std::make_pair(false, uint64_t{3}));
  EXPECT_FALSE(e->list_dir("missing"));
}

TEST_F(EnvTest, OpenModes) {
  EXPECT_FALSE(e->open("missing", OpenMode::kRead));
  EXPECT_FALSE(e->open("missing", OpenMode::kWriteExisting));
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

TEST_F(EnvTest, IniFileSemantics) {
  const char* ini = g_ini_path;
  EXPECT_EQ(e->ini_get_int(ini, "vendrit", "copyonly", 7), 7);
  write_file("vendrit.ini", "[other]\r\ncopyonly=5\r\n[Vendrit]\r\n CopyOnly = 2 \r\nempty=\r\n"
                            "neg=-3\r\ntext=abc\r\nprog=C:\\bk\\run.exe /x\r\n");
  EXPECT_EQ(e->ini_get_int(ini, "vendrit", "copyonly", 7), 2);
  EXPECT_EQ(e->ini_get_int(ini, "vendrit", "empty", 7), 7);
  EXPECT_EQ(e->ini_get_int(ini, "vendrit", "neg", 7), -3);
  EXPECT_EQ(e->ini_get_int(ini, "vendrit", "text", 7), 0);
  char buf[16];
  e->ini_get_string(ini, "vendrit", "prog", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "C:\\bk\\run.exe /");  // cut to the buffer
  EXPECT_TRUE(e->ini_put_string(ini, "vendrit", "copyonly", "1"));
  EXPECT_TRUE(e->ini_put_string(ini, "vendrit", "added", "x"));
  EXPECT_EQ(e->ini_get_int(ini, "vendrit", "copyonly", 7), 1);
  EXPECT_EQ(e->ini_get_int(ini, "other", "copyonly", 7), 5);
  EXPECT_EQ(read_file("vendrit.ini").find("neg=-3\r\n") != std::string::npos, true);
}

}  // namespace
}  // namespace vendrit
