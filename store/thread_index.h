// The thread index file: one line of 21 tab-separated fields describing a
// thread, then the optional "Last-Modified:" and "ETag:" header lines.
// Read by the relocation (dropped-thread check) and the repair pass; written
// by the repair pass only.
#pragma once

#include <cstdint>

#include "platform/safe_replace.h"

namespace vendrit {

constexpr int kThreadFlagDropped = 0x10;  // the thread dropped out of its server
constexpr size_t kThreadIndexWindow = 4096;  // only the first bytes are parsed
constexpr size_t kHeaderValueSize = 128;

struct ThreadIndex {
  int32_t field1;
  int32_t flags;
  int32_t field3;
  char title[260];
  char host[100];
  char board_id[20];
  char field7[20];
  int32_t field8;
  int32_t field9;
  int32_t field10;
  char field11[100];
  char field12[100];
  char board_name[50];
  int32_t field14;
  char field15[100];
  char field16[100];
  int32_t field17;
  char field18[100];
  char field19[100];
  char field20[100];
  char field21[100];  // never taken from the file: always written empty
  char last_modified[kHeaderValueSize];
  char etag[kHeaderValueSize];
};

// Fills `record` from the file at `path`.  False (unusable) when the file
// cannot be opened, is empty, or its first line has other than 20 tabs.
bool read_thread_index(const char* path, ThreadIndex* record);

// Replaces the file at `path` with `record` (safe replace).  kCannotOpen when
// the file cannot be opened for writing; nothing is touched then.
ReplaceResult write_thread_index(const char* path, const ThreadIndex& record,
                                 bool known_file = false);

}  // namespace vendrit
