// Entry of the end-to-end test program.  With --idle it only sleeps: the test
// script keeps one such process running so that Wine's server and services
// stay up between test processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--idle") == 0) {
    Sleep(INFINITE);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
