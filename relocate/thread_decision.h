// What happens to one thread of a moved board: a pure function of what is
// known about its two sides and of the settings, with no file access.
#pragma once

#include <cstdint>

namespace vendrit {

// What the destination's data file name holds, as seen before anything is done.
enum class Destination {
  kAbsent,
  kEmpty,        // a regular file of 0 bytes: counts as absent, and gives way
  kFile,         // a regular file with data
  kDirectory,
  kNotRegular,   // a link, a FIFO, a device: never touched
};

// Whether the two data files are one file on disk (asked only where a
// destination copy with data would lose against the source or win over it).
enum class SameFile { kNotAsked, kOther, kSame, kUnknown };

// With no_move: what the thread's index file says.
enum class Dropped { kNotAsked, kNo, kYes, kUnusable };

struct ThreadFacts {
  Destination destination = Destination::kAbsent;
  uint64_t source_size = 0, destination_size = 0;
  bool source_index = false;       // an index file beside the source data file
  bool destination_index = false;  // a regular index file at the destination (asked
                                   // only where the source has none)
  bool self_paired = false;        // a name without "." is its own index
  bool buffer = true;              // the work buffer could be made to hold the data file
  Dropped dropped = Dropped::kNotAsked;
  SameFile same = SameFile::kNotAsked;
};

struct Policy {
  bool copyonly = false;   // the source stays
  bool copylarge = false;  // the larger copy wins
  bool no_move = false;    // threads that dropped out of their server stay
};

enum class Verdict {
  kMove,            // the pair moves into the empty place: index, favourites, data
  kCopy,            // the pair is copied into the empty place; favourites follow
  kKeepBoth,        // copyonly, the destination copy wins: nothing moves; favourites follow
  kCopyOver,        // copyonly, the larger source replaces the destination copy; favourites follow
  kDropSource,      // the destination copy wins: the source pair goes (index, favourites, data)
  kReplaceThenDrop, // the larger source replaces the destination copy, then the source goes
  kLeaveDropped,    // no_move: dropped out of its server; stays, silently
  kIndexUnusable,   // no_move: the index cannot tell; stays, reported
  kTooLarge,        // no work buffer for it; stays, reported
  kNotRegular,      // a link or special file holds the destination name; reported
  kDirectoryThere,  // a directory holds the destination name; reported
  kSameFile,        // the two data files are one: never settled against itself; reported
  kSameUnknown,     // whether they are one cannot be told; reported
};

struct Decision {
  Verdict verdict;
  // An earlier run moved this thread's index and stopped: its favourites may
  // have followed already (see FavouriteMove::again).
  bool again = false;
};

// Asked before deciding: whether `same` must be found out first.
bool needs_identity(const ThreadFacts& facts);

Decision decide_thread(const ThreadFacts& facts, const Policy& policy);

}  // namespace vendrit
