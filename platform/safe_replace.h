// Writing a user's file without ever leaving it truncated or half-written.
//
// The new content goes to a temporary file in the same directory, which is
// flushed to the disk, closed and then put in place of the original in one
// replace step: after a power cut at any point the target holds either its
// old bytes or the new ones.  If any step fails the original stays as it was
// and the temporary file is removed.  Every file the program writes whole
// goes through ReplacingWriter.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

// A new version of `target`, written to a temporary file of this process
// beside it.  commit() puts it in place; a writer destroyed without a
// successful commit removes its temporary file, so a failure at any step
// leaves the target as it was and nothing of ours behind.
// What a caller already knows of the target it replaces.
enum class Target {
  kUnknown,        // anything, or nothing: looked at first
  kFile,           // just seen to be a regular file
  kWritableFile,   // a regular file that the caller has just probed (Env::writable)
};

class ReplacingWriter {
 public:
  // Creates the temporary file ("vendrit-<what>-<process id>.tmp" in the
  // target's directory) through `env`, which every later step uses too.  A target that exists must be a regular file this
  // process may write (`known` says what the caller has just seen of it);
  // otherwise, or when the temporary file cannot be made, nothing is
  // created and ok() is false.
  ReplacingWriter(Env* env, const char* target, const char* what = "replace",
                  Target known = Target::kUnknown);
  ~ReplacingWriter();
  ReplacingWriter(const ReplacingWriter&) = delete;
  ReplacingWriter& operator=(const ReplacingWriter&) = delete;

  bool ok() const { return file_ != nullptr; }
  // Appends bytes; a failure is remembered and makes commit() fail.
  bool write(const void* data, size_t size);
  bool write_pieces(const ByteSpan* pieces, size_t count);
  // Flushes and closes the temporary file and puts it in place of the
  // target: replacing it, or with `overwrite` false only where no target
  // exists.  A new version made from the target's content passes the
  // target as it was read (`unchanged`): it replaces the target only while
  // the target is still so, and bytes another program appended in between
  // are never dropped.  False when a write, the flush, the close or the
  // replace failed; the target is then unchanged.
  bool commit(bool overwrite = true, const FileStatus* unchanged = nullptr);
  // After a failed commit: the target had changed since it was read.
  bool target_changed() const { return changed_; }

 private:
  Env* env_;
  char target_[kPathSize];
  char temporary_[kPathSize] = "";  // empty once nothing of ours is left to remove
  std::unique_ptr<File> file_;
  bool written_ = true;
  bool changed_ = false;
};

enum class ReplaceResult {
  kReplaced,    // the file now holds exactly the new content
  kCannotOpen,  // the target cannot be opened for writing (read-only, locked, missing
                // directory); nothing was touched
  kFailed,      // writing or replacing failed; the target is unchanged
  kChanged,     // the target changed since it was read; we left it as it is
};

// Replaces the content of `path` with the concatenation of `pieces`.
// A missing target is created (the probe is skipped for it); anything but a
// regular file (a directory, a link, a FIFO) is never replaced.  A caller
// that has just seen `path` says what of it with `known`;
// one that made the pieces from the file's content passes the file as it
// was read (see ReplacingWriter::commit).
ReplaceResult replace_file_contents(Env* env, const char* path, const ByteSpan* pieces, size_t count,
                                    Target known = Target::kUnknown,
                                    const FileStatus* unchanged = nullptr);

// Name of the temporary file for `path`: in the same directory, and named for
// this process ("vendrit-<what>-<process id>.tmp"), so that no other process
// ever writes the same one.  False when it would not fit.
bool temporary_path_for(Env* env, const char* path, char* buf, size_t size,
                        const char* what = "replace");

// True for the name of a temporary file of this program (of any process, or
// of an earlier version).  Only one instance works on a reader root at a
// time, so one met in a walk is a leftover of an interrupted run, never user
// data, and may be removed.
bool is_leftover_temporary(const char* name);

}  // namespace vendrit
