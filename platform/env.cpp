#include "platform/env.h"

namespace vendrit {

namespace {
thread_local int g_last_error = 0;
}  // namespace

int Env::last_error() { return g_last_error; }

bool Env::fail(int error) {
  g_last_error = error;
  return false;
}

namespace {
Env* g_env = nullptr;
}

Env* env() { return g_env ? g_env : platform_env(); }

Env* set_env(Env* e) {
  Env* old = env();
  g_env = e;
  return old;
}

}  // namespace vendrit
