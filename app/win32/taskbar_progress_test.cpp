#include "app/win32/taskbar_progress.h"

#include <gtest/gtest.h>

namespace vendrit {
namespace {

// The bar turns to the error state once a failure was shown, stops at its
// end, and goes when there is nothing to move.
TEST(TaskbarProgress, StateOfARun) {
  EXPECT_TRUE(taskbar_state(2, 4, true) == (TaskbarState{TBPF_ERROR, 2, 4}));
  EXPECT_TRUE(taskbar_state(5, 4, false) == (TaskbarState{TBPF_NORMAL, 4, 4}));
  EXPECT_TRUE(taskbar_state(0, 0, false) == (TaskbarState{TBPF_NOPROGRESS, 0, 0}));
}

}  // namespace
}  // namespace vendrit
