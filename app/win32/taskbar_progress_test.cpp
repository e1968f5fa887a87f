#include "app/win32/taskbar_progress.h"

#include <gtest/gtest.h>

namespace vendrit {
namespace {

// The bar turns to the error state once a failure was shown.
TEST(TaskbarProgress, StateOfARun) {
  EXPECT_TRUE(taskbar_state(2, 4, true) == (TaskbarState{TBPF_ERROR, 2, 4}));
}

}  // namespace
}  // namespace vendrit
