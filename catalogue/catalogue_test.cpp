#include "catalogue/catalogue.h"

#include <set>

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

std::string main_host(const char* name) { return std::string(name) + kMainSuffix; }
std::string line(const std::string& server, const std::string& id, const std::string& name = "x") {
  return "\t" + server + "\t" + id + "\t" + name + "\r\n";
}
std::vector<std::string> table(const std::vector<BoardRecord>& rows) {
  std::vector<std::string> out;
  for (const BoardRecord& r : rows) out.push_back(std::string(r.server) + "|" + r.board_id + "|" + r.board_name);
  return out;
}

class CatalogueTest : public RootTest {
 protected:
  void load_exclusions() { load_exclusion_list(env_, work_, catalogue_); }
};

// Files ending in .idx (any case), not favboard.idx nor a directory, up to capacity.
TEST_F(CatalogueTest, FavouritesList) {
  for (const char* f : {"favorite.idx", "Other.IDX", "favboard.idx", "notes.txt", "x.idx.bak"}) write_file(f, "");
  make_dirs("folder.idx");
  auto names = [this] {
    collect_favourites_list(env_, catalogue_);
    return std::set<std::string>(catalogue_.favourites.begin(), catalogue_.favourites.end());
  };
  EXPECT_EQ(names(), (std::set<std::string>{"favorite.idx", "Other.IDX"}));
  // Only the exact lower-case name is passed over (one spelling at a time: on Windows the two are one file).
  std::remove("favboard.idx");
  write_file("FAVBOARD.IDX", "");
  EXPECT_EQ(names(), (std::set<std::string>{"favorite.idx", "Other.IDX", "FAVBOARD.IDX"}));
  for (int i = 0; i < kFavouritesCapacity + 5; ++i) write_file("f" + std::to_string(i) + ".idx", "");
  EXPECT_EQ(names().size(), size_t(kFavouritesCapacity));
}

TEST_F(CatalogueTest, ExclusionLines) {
  add_exclusion("left.example", "x");
  load_exclusions();
  EXPECT_EQ(catalogue_.exclusions.size(), 0u);  // a missing file is an empty list
  write_file("exclude.lst",
             "#---------------\r\n\r\noneword\r\n9digit.example board\r\n"
             "  Alpha.example news\r\n"  // leading blanks are fine
             "beta.example\t*\textra words\r\n"
             "zeta.example news\r\n"  // 'z' accepted (one past the old range)
             "{brace.example news\r\n_under.example news\r\n[bracket.example news\r\n\x82\xa0.example news\r\n"
             "*.example news\r\ncut.example " + std::string(kBoardIdSize, 'b') + "\r\n" +
             std::string(kServerNameSize, 's') + " news\r\n" +
             // 259 bytes make one piece; the rest of the line is read as a line of its own.
             "first.example news" + std::string(259 - 18, ' ') + "tail.example misc\r\n"
             "last.example news");  // no line end
  load_exclusions();
  EXPECT_EQ(table(catalogue_.exclusions),
            (std::vector<std::string>{"Alpha.example|news|", "beta.example|*|", "zeta.example|news|", "_under.example|news|",
                                      "[bracket.example|news|", "first.example|news|", "tail.example|misc|",
                                      "last.example|news|"}));
  for (const BoardRecord& r : catalogue_.exclusions) EXPECT_EQ(r.number, 0);
  std::string text;  // capacity + 3 lines
  for (int i = 0; i < kExclusionCapacity + 3; ++i) text += "srv" + std::to_string(i) + ".example b\r\n";
  write_file("exclude.lst", text);
  load_exclusions();
  EXPECT_EQ(catalogue_.exclusions.size(), size_t(kExclusionCapacity));
  EXPECT_STREQ(catalogue_.exclusions.back().server, "srv1023.example");
}

TEST_F(CatalogueTest, BoardLinesFamiliesAndFields) {
  const std::string inner = "a" + std::string(kMainSuffix) + ".x" + kSisterSuffix, sister = std::string("b") + kSisterSuffix;
  write_file("2channel.brd",
             "Category line\r\n" + line(main_host("a"), "news", "ニュース 速報:芸能") + "\t" + main_host("e") +
                 "\ttwo\r\n" +  // takes no field of the line before
                 line(sister, "pink", "桃色") + line("foreign.example.org", "misc") + line(inner, "inner") + "  " +
                 line(main_host("c"), "blank").substr(1) + line(main_host("d"), "esc", "a\x1b" "b") +
                 line(main_host("f"), std::string(kBoardIdSize, 'i')) + line(main_host("g"), "short", std::string(60, 'N')) +
                 // 48 single bytes then a double-byte character that does not fit.
                 line(main_host("i"), "cut", std::string(48, 'n') + "板") +
                 line(main_host("h"), "last").substr(0, main_host("h").size() + 8));
  ASSERT_EQ(load_board_list(env_, work_, catalogue_), BoardListOutcome::kLoaded);
  EXPECT_EQ(table(catalogue_.boards),
            (std::vector<std::string>{main_host("a") + "|news|ニュース 速報:芸能",  // spaces and a real ':' kept
                                      sister + "|pink|桃色", main_host("g") + "|short|" + std::string(kBoardNameSize - 1, 'N'),
                                      main_host("i") + "|cut|" + std::string(48, 'n'), main_host("h") + "|last|x"}));
}

// An exclusion is looked at before the family test; only the first matching entry is flagged.
TEST_F(CatalogueTest, ExclusionComesBeforeFamilyTestAndFlagsFirstEntryOnly) {
  add_exclusion("foreign.example.org", "misc");
  add_exclusion(main_host("a").c_str(), "*");
  add_exclusion(main_host("a").c_str(), "news");  // shadowed by the "*" entry
  add_exclusion(main_host("z").c_str(), "none");
  write_file("2channel.brd", line("foreign.example.org", "misc") + line(main_host("a"), "news") +
                                 line(main_host("a"), "other") + line(main_host("b"), "news"));
  ASSERT_EQ(load_board_list(env_, work_, catalogue_), BoardListOutcome::kLoaded);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(catalogue_.exclusions[i].number, i < 2 ? 1 : 0) << i;
  EXPECT_EQ(table(catalogue_.boards), std::vector<std::string>{main_host("b") + "|news|x"});
}

}  // namespace
}  // namespace vendrit
