#include "platform/env.h"

namespace vendrit {

namespace {
// Each thread's own, as errno is: the announcer thread's calls never
// overwrite the cause the worker is about to report.
thread_local int g_last_error = 0;
}  // namespace

int Env::last_error() { return g_last_error; }

bool Env::fail(int error) {
  g_last_error = error;
  return false;
}

}  // namespace vendrit
