#include "app/command_words.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

TEST(CommandWords, Table) {
  struct Row {
    const char* line;  // already lower-cased, as start-up hands it over
    int copyonly_before, copylarge_before, mode, copyonly, copylarge;
    bool setup;
  } rows[] = {
      {"", 1, 1, 0, 1, 1, false},
      {"auto", 1, 1, 2, 1, 1, false},
      {"autorun setup aborn large", 0, 0, 2, 0, 0, false},  // auto stops everything else
      {"aborn", 0, 1, 1, 1, 1, false},
      {"leave", 1, 1, 1, 0, 1, false},
      {"aborn leave", 0, 1, 1, 1, 1, false},  // only aborn counts
      {"new large", 1, 1, 1, 1, 0, false},    // only new counts
      {"leave large", 1, 0, 2, 0, 1, false},  // two choices: automatic
      {"xxnewsxx", 1, 1, 1, 1, 0, false},     // substrings count
      {"setup new", 0, 1, 1, 0, 0, true},
      {"setup", 0, 0, 0, 0, 0, true},
  };
  for (const Row& r : rows) {
    g_settings.copyonly = r.copyonly_before;
    g_settings.copylarge = r.copylarge_before;
    CommandChoice c = apply_command_words(r.line);
    EXPECT_EQ(std::vector<int>({c.run_mode, c.setup, g_settings.copyonly, g_settings.copylarge}),
              std::vector<int>({r.mode, r.setup, r.copyonly, r.copylarge})) << r.line;
  }
}

}  // namespace
}  // namespace vendrit
