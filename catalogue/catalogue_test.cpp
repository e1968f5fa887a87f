#include "catalogue/catalogue.h"

#include <filesystem>
#include <set>

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

std::string main_host(const char* name) { return std::string(name) + kMainSuffix; }

std::string board_line(const std::string& server, const std::string& id, const std::string& name) {
  return "\t" + server + "\t" + id + "\t" + name + "\r\n";
}

class CatalogueTest : public RootTest {};

// Files ending in .idx (any case), but not favboard.idx itself nor a
// directory, up to the list's capacity.
TEST_F(CatalogueTest, FavouritesList) {
  for (const char* f : {"favorite.idx", "Other.IDX", "favboard.idx", "notes.txt", "x.idx.bak"}) {
    write_file(f, "");
  }
  make_dirs("folder.idx");
  auto names = [] {
    collect_favourites_list();
    return std::set<std::string>(g_favourites, g_favourites + g_favourite_count);
  };
  EXPECT_EQ(names(), (std::set<std::string>{"favorite.idx", "Other.IDX"}));
  // Only the exact lower-case name is passed over (one name at a time: on
  // Windows the two are one file).
  std::remove("favboard.idx");
  write_file("FAVBOARD.IDX", "");
  EXPECT_EQ(names(), (std::set<std::string>{"favorite.idx", "Other.IDX", "FAVBOARD.IDX"}));
  for (int i = 0; i < kFavouritesCapacity + 5; ++i) write_file("f" + std::to_string(i) + ".idx", "");
  collect_favourites_list();
  EXPECT_EQ(g_favourite_count, kFavouritesCapacity);
}

TEST_F(CatalogueTest, ExclusionLines) {
  add_exclusion("left.example", "x");
  load_exclusion_list();  // a missing file is an empty list
  EXPECT_EQ(g_exclusion_count, 0);
  write_file("exclude.lst",
             "#---------------\r\n\r\noneword\r\n9digit.example board\r\n"
             "  Alpha.example news\r\n"          // leading blanks are fine
             "beta.example\t*\textra words\r\n"
             "zeta.example news\r\n"             // 'z' accepted (one past the old range)
             "{brace.example news\r\n_under.example news\r\n[bracket.example news\r\n"
             "\x82\xa0.example news\r\n"         // a double-byte first character
             "*.example news\r\ncut.example " + std::string(kBoardIdSize, 'b') + "\r\n" +
             std::string(kServerNameSize, 's') + " news\r\n" +
             // 259 bytes make one piece; the rest of the line is read as a line of its own.
             "first.example news" + std::string(259 - 18, ' ') + "tail.example misc\r\n"
             "last.example news");               // no line end
  load_exclusion_list();
  std::vector<std::string> got;
  for (int i = 0; i < g_exclusion_count; ++i) {
    got.push_back(std::string(g_exclusions[i].server) + "|" + g_exclusions[i].board_id + "|" +
                  std::to_string(g_exclusions[i].number));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"Alpha.example|news|0", "beta.example|*|0", "zeta.example|news|0",
                                           "_under.example|news|0", "[bracket.example|news|0",
                                           "first.example|news|0", "tail.example|misc|0", "last.example|news|0"}));
  std::string text;
  for (int i = 0; i < kExclusionCapacity + 3; ++i) text += "srv" + std::to_string(i) + ".example b\r\n";
  write_file("exclude.lst", text);
  load_exclusion_list();
  EXPECT_EQ(g_exclusion_count, kExclusionCapacity);
  EXPECT_STREQ(g_exclusions[kExclusionCapacity - 1].server, "srv1023.example");
}

TEST_F(CatalogueTest, BoardLinesFamiliesAndFields) {
  const std::string inner = "a" + std::string(kMainSuffix) + ".x" + kSisterSuffix;
  const std::string sister = std::string("b") + kSisterSuffix;
  write_file("2channel.brd",
             "Category line\r\n" + board_line(main_host("a"), "news", "ニュース 速報:芸能") +
             "\t" + main_host("e") + "\ttwo\r\n" +  // takes no field of the line before
             board_line(sister, "pink", "桃色") + board_line("foreign.example.org", "misc", "外部") +
             board_line(inner, "inner", "中") + "  " + board_line(main_host("c"), "blank", "x").substr(1) +
             board_line(main_host("d"), "esc", "a\x1b" "b") +
             board_line(main_host("f"), std::string(kBoardIdSize, 'i'), "long id") +
             board_line(main_host("g"), "short", std::string(60, 'N')) +
             // 48 single bytes then a double-byte character that does not fit.
             board_line(main_host("i"), "cut", std::string(48, 'n') + "板") +
             board_line(main_host("h"), "last", "x").substr(0, main_host("h").size() + 8));
  ASSERT_EQ(load_board_list(), BoardListOutcome::kLoaded);
  std::vector<std::string> got;
  for (int i = 0; i < g_board_count; ++i) {
    got.push_back(std::string(g_boards[i].server) + "|" + g_boards[i].board_id + "|" + g_boards[i].board_name);
  }
  EXPECT_EQ(got, (std::vector<std::string>{
                     main_host("a") + "|news|ニュース 速報:芸能",  // spaces and a real ':' kept
                     sister + "|pink|桃色",
                     main_host("g") + "|short|" + std::string(kBoardNameSize - 1, 'N'),
                     main_host("i") + "|cut|" + std::string(48, 'n'),
                     main_host("h") + "|last|x",
                 }));
}

TEST_F(CatalogueTest, ExclusionComesBeforeFamilyTestAndFlagsFirstEntryOnly) {
  add_exclusion("foreign.example.org", "misc");
  add_exclusion(main_host("a").c_str(), "*");
  add_exclusion(main_host("a").c_str(), "news");
  add_exclusion(main_host("z").c_str(), "none");
  write_file("2channel.brd", board_line("foreign.example.org", "misc", "x") + board_line(main_host("a"), "news", "x") +
                                 board_line(main_host("a"), "other", "x") + board_line(main_host("b"), "news", "x"));
  ASSERT_EQ(load_board_list(), BoardListOutcome::kLoaded);
  EXPECT_EQ(g_exclusions[0].number, 1);
  EXPECT_EQ(g_exclusions[1].number, 1);
  EXPECT_EQ(g_exclusions[2].number, 0);  // shadowed by the "*" entry
  EXPECT_EQ(g_exclusions[3].number, 0);
  ASSERT_EQ(g_board_count, 1);
  EXPECT_EQ(std::string(g_boards[0].server), main_host("b"));
}

TEST_F(CatalogueTest, BoardListMissingOrFull) {
  EXPECT_EQ(load_board_list(), BoardListOutcome::kFileMissing);
  make_dirs("2channel.brd");
  EXPECT_EQ(load_board_list(), BoardListOutcome::kFileMissing);
  std::filesystem::remove("2channel.brd");
  std::string text;
  for (int i = 0; i < kBoardListCapacity - 1; ++i) {
    text += board_line(main_host("s"), "b" + std::to_string(i), "n");
    if (i % 100 == 0) text += board_line("foreign.example.org", "x", "dropped lines do not count");
  }
  write_file("2channel.brd", text);
  EXPECT_EQ(load_board_list(), BoardListOutcome::kLoaded);
  EXPECT_EQ(g_board_count, kBoardListCapacity - 1);
  write_file("2channel.brd", text + board_line(main_host("s"), "one-more", "n"));
  EXPECT_EQ(load_board_list(), BoardListOutcome::kFull);
}

}  // namespace
}  // namespace vendrit
