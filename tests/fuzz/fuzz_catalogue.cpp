// Board list and exclusion list parsing on arbitrary bytes: the input is
// split at its first 0xFF byte into exclude.lst and 2channel.brd.
#include <cstring>

#include "catalogue/catalogue.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vendrit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_init();
  const uint8_t* cut = static_cast<const uint8_t*>(memchr(data, 0xFF, size));
  size_t first = cut ? static_cast<size_t>(cut - data) : 0;
  fuzz_write("exclude.lst", data, first);
  fuzz_write("2channel.brd", data + (cut ? first + 1 : 0), size - (cut ? first + 1 : 0));
  catalogue_reset();
  load_exclusion_list();
  if (load_board_list() == BoardListOutcome::kLoaded) report_duplicates();
  for (int i = 0; i < g_exclusion_count; ++i) {
    const BoardRecord& r = g_exclusions[i];
    unsigned char c = static_cast<unsigned char>(r.server[0]);
    if (c < 0x41 || c > 0x7A || strlen(r.board_id) >= kBoardIdSize) __builtin_trap();
  }
  for (int i = 0; i < g_board_count; ++i) {
    if (!is_family_server(g_boards[i].server) || (g_boards[i].number != 0 && g_duplicate_groups == 0)) {
      __builtin_trap();
    }
  }
  return 0;
}
