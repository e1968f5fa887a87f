// The thread index file: one line of 21 tab-separated fields describing a
// thread, then the optional "Last-Modified:" and "ETag:" header lines.
// Read by the relocation (dropped-thread check) and the repair pass; written
// by the repair pass only.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/safe_replace.h"

namespace vendrit {

// Bits of the flags field.  The reader sets them; the only one whose meaning
// this program knows is the dropped bit.  The repair pass keeps the low byte
// less that bit, and rebuilds the favourites from two whole values.
constexpr int32_t kThreadFlagDropped = 0x10;  // the thread dropped out of its server
constexpr int32_t kThreadFlagBit5 = 0x20;
constexpr int32_t kThreadFlagBit6 = 0x40;
constexpr int32_t kThreadFlagsKept = 0xFF & ~kThreadFlagDropped;  // 0xEF
// A favourite of an ordinary board, and of a regional or rental board.
constexpr int32_t kFavouriteFlags = kThreadFlagBit6 | kThreadFlagBit5;  // 0x60
constexpr int32_t kFavouriteFlagsRegional = kThreadFlagBit6;             // 0x40

constexpr size_t kThreadIndexWindow = 4096;  // only the first bytes are parsed
constexpr size_t kHeaderValueSize = 128;

// One index file in memory.  The program works with five of the 21 fields
// of line 1; the others it only carries from the file to the rewrite, in
// the order of the file (for_each_field in thread_index.cpp places each).
// Field 21 is never taken from the file and is always written empty.
struct ThreadIndex {
  int32_t flags;         // field 2: kThreadFlagDropped and the favourites tests
  char title[260];       // field 4
  char host[100];        // field 5: the host that serves the thread
  char board_id[20];     // field 6
  char board_name[50];   // field 13
  int32_t kept_numbers[7];   // fields 1, 3, 8, 9, 10, 14, 17
  char kept_short[20];       // field 7
  char kept_texts[7][100];   // fields 11, 12, 15, 16, 18, 19, 20
  char last_modified[kHeaderValueSize];
  char etag[kHeaderValueSize];
};

// True for a name (lower-cased) of a thread index file: one that holds
// ".idx" anywhere, so "x.idx.bak" too.  Such a file never travels by itself
// and the repair pass reads it as an index.
inline bool is_index_name(const char* name) { return strstr(name, ".idx") != nullptr; }

// Fills `record` (and `seen`, the file as it was read) from the file at
// `path`.  False (unusable) when the file cannot be opened, is empty, or its
// first line has other than 20 tabs.
bool read_thread_index(Env* env, const char* path, ThreadIndex* record,
                       FileStatus* seen = nullptr);

// Replaces the file at `path` with `record` (safe replace).  kCannotOpen when
// the file cannot be opened for writing; nothing is touched then.  `known`
// as for replace_file_contents.  With `unchanged` (the file as it was read),
// kChanged when it changed since.
ReplaceResult write_thread_index(Env* env, const char* path, const ThreadIndex& record,
                                 Target known = Target::kUnknown,
                                 const FileStatus* unchanged = nullptr);

}  // namespace vendrit
