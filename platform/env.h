// The one seam between the program and the operating system.
//
// Every file, directory, clock, process and instance-marker call of the
// core goes through an Env.  There is one implementation per platform
// (platform/posix, platform/win32) and a fault-injecting double for tests
// (tests/fault_env.h) that fails or "crashes" on the N-th operation of a kind.
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
constexpr int kErrNoEntry = 2;   // ENOENT
constexpr int kErrAccess = 13;   // EACCES
constexpr int kErrExists = 17;   // EEXIST

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
};

// An open directory listing; entries come in the file system's own order,
// "." and ".." included where the platform returns them.
class DirListing {
 public:
  virtual ~DirListing() = default;
  virtual bool next(DirEntry* entry) = 0;  // false when exhausted
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
// An index of 0 is what some network file systems give for every file: it
// tells nothing, and two such identities are never taken for one.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.index != 0 && a.volume == b.volume && a.index == b.index;
}

struct LocalTime {
  int year, month, day, hour, minute, second;
};

// Every call that can fail says so by returning false (null for the calls
// that return an object); where the cause matters to the caller, a failed
// make_dir or remove_file leaves it in last_error().
class Env {
 public:
  virtual ~Env() = default;

  // The error number (kErrExists, kErrNoEntry, ...) of this thread's last
  // make_dir or remove_file that failed.
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
  virtual bool replace_file(const char* from, const char* to) = 0;
  virtual bool remove_file(const char* path) = 0;
  // Whether this process may write the existing file `path` (not read-only,
  // not locked by another program): asked before a file is replaced, so that
  // one that cannot be written is reported before anything changes.
  virtual bool writable(const char* path) = 0;
  // Opens a regular file only: a directory, FIFO or device is a file that
  // cannot be opened, and opening one never blocks; nor is a name that is
  // itself a link opened (the directories on the way may be links).  Null:
  // cannot open.
  virtual std::unique_ptr<File> open(const char* path, OpenMode mode) = 0;

  // The process's current directory, and names made absolute against it.
  virtual bool current_dir(char* buf, size_t size) = 0;
  virtual bool set_current_dir(const char* path) = 0;
  virtual bool absolute_path(const char* name, char* buf, size_t size) = 0;

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

  // Starts `command_line` in `directory` (a new console, normal priority),
  // waits for it to end without a time limit, and closes its handles.
  // False when it could not be started or waited for.
  virtual bool run_process(const char* command_line, const char* directory) {
    (void)command_line, (void)directory;
    return false;
  }

 protected:
  // Records `error` as this thread's last error and returns false.
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
  bool replace_file(const char* from, const char* to) override { return target_->replace_file(from, to); }
  bool remove_file(const char* p) override { return target_->remove_file(p); }
  bool writable(const char* p) override { return target_->writable(p); }
  std::unique_ptr<File> open(const char* p, OpenMode mode) override { return target_->open(p, mode); }
  bool current_dir(char* buf, size_t size) override { return target_->current_dir(buf, size); }
  bool set_current_dir(const char* p) override { return target_->set_current_dir(p); }
  bool absolute_path(const char* name, char* buf, size_t size) override {
    return target_->absolute_path(name, buf, size);
  }
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

// The Env in use: the platform's own unless a test installed another.
Env* env();
// Installs `e` (null restores the platform's own); returns the previous one.
Env* set_env(Env* e);
// The platform's own implementation (defined in posix/ or win32/).
Env* platform_env();

}  // namespace vendrit
