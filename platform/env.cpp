#include "platform/env.h"

namespace vendrit {

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
