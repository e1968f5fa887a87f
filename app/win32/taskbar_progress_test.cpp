#include "app/win32/taskbar_progress.h"

#include <gtest/gtest.h>

namespace vendrit {
namespace {

// The bar runs normally, turns to the error state once a failure was shown,
// stops at its end, and goes at the end of a run.
TEST(TaskbarProgress, StateOfARun) {
  const struct {
    int done, total;
    bool trouble;
    TaskbarState shown;
  } rows[] = {{3, 4, false, {TBPF_NORMAL, 3, 4}}, {2, 4, true, {TBPF_ERROR, 2, 4}},
              {5, 4, false, {TBPF_NORMAL, 4, 4}}, {0, 0, false, {TBPF_NOPROGRESS, 0, 0}}};
  for (const auto& r : rows) {
    EXPECT_TRUE(taskbar_state(r.done, r.total, r.trouble) == r.shown) << r.done << "/" << r.total << " " << r.trouble;
  }
}

}  // namespace
}  // namespace vendrit
