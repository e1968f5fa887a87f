// The thread log link rewrite: after a thread got a new host, the links in
// its log (the ".dat" beside the thread index file) that read a thread of the
// same board on the old host are made to point at the new host.
//
// Only an old prefix that is directly followed by this board's thread-reading
// address ("test/read.cgi?bbs=<board>" or "test/read.cgi/<board>/") changes;
// every other byte of the log is carried as it is, NUL bytes included.  The
// log is replaced in one step, so a failure leaves it as it was.
#pragma once

#include <cstddef>

#include "store/run.h"

namespace vendrit {

enum class LinkRewrite {
  kRewritten,   // the log holds its old content with the links changed
  kLogMissing,  // there is no log beside the index file; nothing to do
  kFailed,      // the log exists but could not be rewritten; it is unchanged
};

// The log's name for an index file name: the index name without its last
// four characters, followed by ".dat".  False when it was cut.
bool log_name_for(const char* index_name, char* buf, size_t size);

// `directory` and `index_name` are the lower-cased program forms, used in
// messages; `disk_directory` and `disk_log_name` name the directory and the
// log as the file system listed them, used to open and replace the log.
// Every failure is reported as one progress line naming the log.  The log is
// read whole into the work buffer.
LinkRewrite rewrite_thread_links(Run& run, const char* directory, const char* index_name,
                                 const char* board_part, const char* old_prefix,
                                 const char* new_prefix, const char* disk_directory,
                                 const char* disk_log_name);

// The same with the program forms as the names on disk.
LinkRewrite rewrite_thread_links(Run& run, const char* directory, const char* index_name,
                                 const char* board_part, const char* old_prefix,
                                 const char* new_prefix);

}  // namespace vendrit
