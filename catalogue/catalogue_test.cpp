#include "catalogue/catalogue.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

std::string line(const std::string& server, const std::string& id, const std::string& name = "x") {
  return "\t" + server + "\t" + id + "\t" + name + "\r\n";
}

class CatalogueTest : public RootTest {};

// Files ending in .idx, whatever the case, but not favboard.idx, up to the capacity.
TEST_F(CatalogueTest, FavouritesList) {
  for (const char* name : {"favorite.idx", "Other.IDX", "favboard.idx"}) write_file(name, "");
  collect_favourites_list(env_, catalogue_);
  EXPECT_EQ(catalogue_.favourites.size(), 2u);
  for (int i = 0; i < kFavouritesCapacity; ++i) write_file("f" + std::to_string(i) + ".idx", "");
  collect_favourites_list(env_, catalogue_);
  EXPECT_EQ(catalogue_.favourites.size(), size_t(kFavouritesCapacity));
}

// Exclusion lines: a server may start with 'z', a word as long as its field is dropped, lines
// past the capacity are ignored.  Board lines: an exclusion is looked at (and its entry marked)
// before the family test; a line with an ESC byte or with the main suffix inside a longer host
// name is dropped; a board name is cut before a double-byte character that does not fit.
TEST_F(CatalogueTest, ExclusionAndBoardLines) {
  std::string exclusions = "zeta.example news\r\n" + std::string(kServerNameSize, 's') + " news\r\n";
  for (int i = 0; i <= kExclusionCapacity; ++i) exclusions += "srv" + std::to_string(i) + ".example b\r\n";
  write_file("exclude.lst", exclusions);
  load_exclusion_list(env_, work_, catalogue_);
  ASSERT_EQ(catalogue_.exclusions.size(), size_t(kExclusionCapacity));
  EXPECT_EQ(catalogue_.exclusions.back().server, "srv" + std::to_string(kExclusionCapacity - 2) + ".example");
  const std::string host = server("a"), name(kBoardNameSize - 2, 'n');
  write_file("2channel.brd", line("zeta.example", "news") + line(host, "news", name + "板") +
                                 line(host, "esc", "\x1b") + line(host + ".org", "inner"));
  ASSERT_EQ(load_board_list(env_, work_, catalogue_), BoardListOutcome::kLoaded);
  EXPECT_EQ(catalogue_.exclusions[0].number, 1);
  ASSERT_EQ(catalogue_.boards.size(), 1u);
  EXPECT_EQ(catalogue_.boards[0].board_name, name);
}

}  // namespace
}  // namespace vendrit
