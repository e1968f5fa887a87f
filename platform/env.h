// The one seam between the program and the operating system.
//
// Every file, directory, clock, process and instance-marker call of the
// core goes through an Env.  There is one implementation per platform
// (platform/posix, platform/win32) and a fault-injecting double for tests
// (tests/fault_env.h) that fails or "crashes" on the N-th operation of a kind.
// The core is handed the Env it uses, as an argument; it never looks one up.
//
// Paths are the program's own text: Shift_JIS bytes, components joined by a
// backslash, usually relative to the current directory.  The POSIX
// implementation turns the separators into '/', the Win32 one converts from
// code page 932 to UTF-16 and calls the wide-character API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vendrit {

// Error numbers the core looks at; equal to the C library's on both platforms.
constexpr int kErrNoEntry = 2;    // ENOENT
constexpr int kErrAccess = 13;    // EACCES
constexpr int kErrExists = 17;    // EEXIST
constexpr int kErrChanged = 116;  // ESTALE: a file changed since it was read

// What a name on disk is.  A link is reported as a link, never as what it
// points at: the program does not follow links below its log directory.
enum class FileKind {
  kFile,   // a regular file
  kDir,    // a directory
  kLink,   // a symbolic link, a junction or another name that stands for
           // something elsewhere
  kOther,  // anything else: a FIFO, a device, a socket
};

struct DirEntry {
  std::string name;    // raw name bytes as the file system returns them
  FileKind kind = FileKind::kOther;
  uint64_t size = 0;   // file size; 0 for anything but a regular file
  // The name has no Shift_JIS form (possible on Windows): `name` is a
  // stand-in that does not lead to the entry, and nothing is opened by it.
  bool unnamed = false;
};

// An open directory listing; entries come in the file system's own order,
// "." and ".." included where the platform returns them.
class DirListing {
 public:
  virtual ~DirListing() = default;
  virtual bool next(DirEntry* entry) = 0;  // false when exhausted or failed
  // Once next() has returned false: true when the listing broke off on an
  // error, so that the entries seen are not all the directory holds.
  virtual bool failed() const = 0;
};

// Bytes to write, one piece of several.
struct ByteSpan {
  const char* data;
  size_t size;
};

struct FileStatus;

// An open file.  Destruction closes it without reporting; call close() when
// the outcome matters (a write is complete only when close() succeeded).
class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes; returns the count (0 at the end) or -1 on error.
  virtual long long read(void* buf, size_t n) = 0;
  // Writes all n bytes or reports failure.
  virtual bool write(const void* buf, size_t n) = 0;
  // Writes the pieces one after another, as one write where the system can.
  virtual bool write_pieces(const ByteSpan* pieces, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (pieces[i].size && !write(pieces[i].data, pieces[i].size)) return false;
    }
    return true;
  }
  // The file as it was when it was opened: its size and time of last change.
  virtual bool status(FileStatus* status) = 0;
  // Puts the bytes written so far on the disk, so that a power cut cannot
  // take them back (a file renamed into place must be flushed first).
  virtual bool sync() = 0;
  virtual bool close() = 0;
};

enum class OpenMode {
  kRead,           // binary reading, shared with other readers and writers
  kWriteTruncate,  // binary writing, created or cut to length zero
  kAppend,         // binary appending, created if missing
  kCreateNew,      // binary writing, fails when the file exists (temporary files)
};

struct FileStatus {
  FileKind kind = FileKind::kOther;
  uint64_t size = 0;      // 0 for anything but a regular file
  int64_t modified = 0;   // time of the last change, in the platform's own units
};

// Which file or directory on disk a name leads to: two names with the same
// identity are one thing, whatever their spelling or the links between them.
// The index has 128 bits (ReFS needs them all).  An index of 0 is what some
// network file systems give for every file: it tells nothing, and two such
// identities are never taken for one.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  uint64_t index_high = 0;
  bool known() const { return index != 0 || index_high != 0; }
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.known() && a.volume == b.volume && a.index == b.index && a.index_high == b.index_high;
}

struct LocalTime {
  int year, month, day, hour, minute, second;
};

// Every call that can fail says so by returning false (null for the calls
// that return an object) and leaves the cause in last_error().
//
// Relative paths name files below the root (see fix_root), whatever the
// process's current directory is.
class Env {
 public:
  virtual ~Env() = default;

  // The error number (kErrExists, kErrNoEntry, kErrAccess, kErrChanged, or
  // another C library number) of this thread's last call that failed.
  static int last_error();

  // Directories and files.  Each returns failure without side effects.
  // Null: cannot list.  Without `sizes` a listing may leave the sizes of
  // regular files at 0, where telling them costs a call per entry.
  virtual std::unique_ptr<DirListing> list_dir(const char* path, bool sizes) = 0;
  std::unique_ptr<DirListing> list_dir(const char* path) { return list_dir(path, true); }
  // The name itself: a link is a link, whatever it points at.
  virtual bool stat(const char* path, FileStatus* status) = 0;
  // What the name leads to on disk, links followed.
  virtual bool identity(const char* path, FileIdentity* id) = 0;
  virtual bool make_dir(const char* path) = 0;
  virtual bool remove_dir(const char* path) = 0;   // only an empty directory goes
  // Renames a file; fails when the target exists.  Never overwrites.
  virtual bool rename_file(const char* from, const char* to) = 0;
  // Puts `from` in place of `to` in one step, replacing `to` if it exists.
  // With `unchanged`, only while `to` is still a regular file of that size
  // and time of last change (another program may have appended to it since
  // it was read); otherwise nothing moves and last_error() is kErrChanged.
  virtual bool replace_file(const char* from, const char* to, const FileStatus* unchanged) = 0;
  bool replace_file(const char* from, const char* to) { return replace_file(from, to, nullptr); }
  virtual bool remove_file(const char* path) = 0;
  // Whether this process may write and replace the existing file `path` (not
  // read-only, not held by another program in a way that stops a replace):
  // asked before a file is replaced, so that one that cannot be replaced is
  // reported before anything changes.
  virtual bool writable(const char* path) = 0;
  // Puts the names in directory `path` on the disk: a file renamed into it
  // is still there after a power cut.  Asked before the source of a copy is
  // removed.
  virtual bool sync_dir(const char* path) = 0;
  // Opens a regular file only: a directory, FIFO or device is a file that
  // cannot be opened, and opening one never blocks; nor is a name that is
  // itself a link opened (the directories on the way may be links).  Null:
  // cannot open.
  virtual std::unique_ptr<File> open(const char* path, OpenMode mode) = 0;

  // Makes the process's current directory the root: from now on a relative
  // path names a file below it, whatever the current directory becomes.  On
  // Windows the root is kept in UTF-16, so that a folder name without a
  // Shift_JIS form (a user name such as "café") still leads to it.  False
  // when the current directory cannot be told.  Until it is called, relative
  // paths are taken from the current directory.
  virtual bool fix_root() = 0;
  // Makes the root the process's current directory again (another program's
  // dialog may have moved it); false when it cannot be entered.
  virtual bool enter_root() = 0;

  // The marker that tells a second instance that one runs.  Testing and taking
  // it is one step; the operating system drops it when the process ends.
  virtual bool instance_marker_acquire() = 0;  // false: another instance holds it
  virtual void instance_marker_release() = 0;
  // A lock on the current directory (the reader root) that no other process
  // holds at the same time, whoever started it; released when the process
  // ends, however it ends.  False: another process holds it.
  virtual bool root_lock_acquire() = 0;
  virtual void root_lock_release() = 0;

  // Tells this process apart from any other running now (temporary names).
  virtual unsigned long process_id() = 0;

  virtual LocalTime local_time() = 0;
  virtual void sleep_ms(int ms) = 0;

  // Copies at most `capacity` bytes of the named shared-memory block (never
  // more than the block holds) into buf.  False when there is no such block.
  virtual bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) {
    (void)name, (void)buf, (void)capacity, (void)copied;
    return false;
  }

  // Starts `command_line` in `directory` (null: the root; a new console,
  // normal priority), waits for it to end without a time limit, and closes
  // its handles.  The process's own current directory does not change.
  // False when it could not be started or waited for.
  virtual bool run_process(const char* command_line, const char* directory) {
    (void)command_line, (void)directory;
    return false;
  }

  // Records `error` as this thread's last error and returns false: how an
  // implementation (or its files and listings) says why a call failed.
  static bool fail(int error);
};

// An Env that hands every call to another one: the base of an Env that
// changes only a few calls (the tests' fault-injecting double).
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  using Env::list_dir;
  std::unique_ptr<DirListing> list_dir(const char* p, bool sizes) override { return target_->list_dir(p, sizes); }
  bool stat(const char* p, FileStatus* s) override { return target_->stat(p, s); }
  bool identity(const char* p, FileIdentity* id) override { return target_->identity(p, id); }
  bool make_dir(const char* p) override { return target_->make_dir(p); }
  bool remove_dir(const char* p) override { return target_->remove_dir(p); }
  bool rename_file(const char* from, const char* to) override { return target_->rename_file(from, to); }
  using Env::replace_file;
  bool replace_file(const char* from, const char* to, const FileStatus* unchanged) override {
    return target_->replace_file(from, to, unchanged);
  }
  bool remove_file(const char* p) override { return target_->remove_file(p); }
  bool writable(const char* p) override { return target_->writable(p); }
  bool sync_dir(const char* p) override { return target_->sync_dir(p); }
  std::unique_ptr<File> open(const char* p, OpenMode mode) override { return target_->open(p, mode); }
  bool fix_root() override { return target_->fix_root(); }
  bool enter_root() override { return target_->enter_root(); }
  bool instance_marker_acquire() override { return target_->instance_marker_acquire(); }
  void instance_marker_release() override { target_->instance_marker_release(); }
  bool root_lock_acquire() override { return target_->root_lock_acquire(); }
  void root_lock_release() override { target_->root_lock_release(); }
  unsigned long process_id() override { return target_->process_id(); }
  LocalTime local_time() override { return target_->local_time(); }
  void sleep_ms(int ms) override { target_->sleep_ms(ms); }
  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    return target_->read_shared_memory(name, buf, capacity, copied);
  }
  bool run_process(const char* command_line, const char* directory) override {
    return target_->run_process(command_line, directory);
  }

 private:
  Env* target_;
};

// The platform's own implementation (defined in posix/ or win32/): one per
// process, as the operating system it stands for is; the shells hand it on.
Env* platform_env();

}  // namespace vendrit
