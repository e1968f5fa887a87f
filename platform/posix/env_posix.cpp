// The Env of the native Linux program.
//
// Program paths use backslashes; here they become '/' (the second byte of a
// Shift_JIS double-byte character is never taken for a separator).  Names are
// passed to the kernel as the bytes they are.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

namespace {

std::string native_path(const char* path) {
  std::string out(path);
  for (size_t i = 0; i < out.size(); i += sjis_char_size(&out[i])) {
    if (out[i] == '\\') out[i] = '/';
  }
  return out;
}

// Facts of the process, as the one PosixEnv (platform_env) is the process's:
// its id, once asked for (reset in a forked child) ...
unsigned long g_pid = 0;

// ... and the directory relative paths start from: the root once fixed,
// like the current directory it stands in for.
int g_root_fd = AT_FDCWD;

FileKind kind_of(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kFile;
  if (S_ISDIR(mode)) return FileKind::kDir;
  if (S_ISLNK(mode)) return FileKind::kLink;
  return FileKind::kOther;
}

class PosixListing : public DirListing {
 public:
  PosixListing(DIR* dir, bool sizes) : dir_(dir), sizes_(sizes) {}
  ~PosixListing() override { closedir(dir_); }

  bool next(DirEntry* entry) override {
    errno = 0;
    struct dirent* d = readdir(dir_);
    if (!d) {
      failed_ = errno != 0;
      return false;
    }
    entry->name = d->d_name;
    entry->kind = FileKind::kOther;
    entry->size = 0;
    switch (d->d_type) {
      case DT_DIR: entry->kind = FileKind::kDir; return true;
      case DT_LNK: entry->kind = FileKind::kLink; return true;
      case DT_REG:
        entry->kind = FileKind::kFile;
        if (!sizes_) return true;
        break;
      case DT_UNKNOWN: break;
      default: return true;  // FIFO, device, socket
    }
    // Looked up relative to the open directory (no path walk per entry),
    // and a link as the link itself.
    struct stat st;
    if (fstatat(dirfd(dir_), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      entry->kind = kind_of(st.st_mode);
      if (entry->kind == FileKind::kFile) entry->size = static_cast<uint64_t>(st.st_size);
    }
    return true;
  }

  bool failed() const override { return failed_; }

 private:
  DIR* dir_;
  bool sizes_;
  bool failed_ = false;
};

int64_t modified_of(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, const struct stat& st)
      : fd_(fd), size_(static_cast<uint64_t>(st.st_size)), modified_(modified_of(st)) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  long long read(void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::read(fd_, static_cast<char*>(buf) + done, n - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        Env::fail(errno);
        return -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
      offset_ += static_cast<uint64_t>(r);
      // A short read that reached the size the file had when it was opened
      // is its end: no further call to be told so.
      if (offset_ >= size_) break;
    }
    return static_cast<long long>(done);
  }

  bool write(const void* buf, size_t n) override {
    ByteSpan one{static_cast<const char*>(buf), n};
    return write_pieces(&one, 1);
  }

  bool write_pieces(const ByteSpan* pieces, size_t count) override {
    std::vector<iovec> v;
    v.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      if (pieces[i].size) v.push_back({const_cast<char*>(pieces[i].data), pieces[i].size});
    }
    size_t at = 0;
    while (at < v.size()) {
      int batch = static_cast<int>(std::min<size_t>(v.size() - at, IOV_MAX));
      ssize_t w = ::writev(fd_, &v[at], batch);
      if (w < 0) {
        if (errno == EINTR) continue;
        return Env::fail(errno);
      }
      // Step over what went out; a piece written in part is continued.
      size_t left = static_cast<size_t>(w);
      while (at < v.size() && left >= v[at].iov_len) left -= v[at++].iov_len;
      if (left) {
        v[at].iov_base = static_cast<char*>(v[at].iov_base) + left;
        v[at].iov_len -= left;
      }
    }
    return true;
  }

  bool status(FileStatus* status) override {
    status->kind = FileKind::kFile;
    status->size = size_;
    status->modified = modified_;
    return true;
  }

  // The data and the size that reads it back; other metadata may lag.
  bool sync() override { return fdatasync(fd_) == 0 || Env::fail(errno); }

  bool close() override {
    int fd = fd_;
    fd_ = -1;
    return (fd >= 0 && ::close(fd) == 0) || Env::fail(fd >= 0 ? errno : EBADF);
  }

 private:
  int fd_;
  uint64_t size_;
  int64_t modified_;
  uint64_t offset_ = 0;
};

class PosixEnv : public Env {
 public:
  std::unique_ptr<DirListing> list_dir(const char* path, bool sizes) override {
    int fd = openat(g_root_fd, native_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return fail_null(errno);
    DIR* d = fdopendir(fd);
    if (!d) {
      int err = errno;
      ::close(fd);
      return fail_null(err);
    }
    return std::make_unique<PosixListing>(d, sizes);
  }

  bool stat(const char* path, FileStatus* status) override {
    struct stat st;
    if (fstatat(g_root_fd, native_path(path).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return fail(errno);
    }
    status->kind = kind_of(st.st_mode);
    status->size = status->kind == FileKind::kFile ? static_cast<uint64_t>(st.st_size) : 0;
    status->modified = modified_of(st);
    return true;
  }

  bool identity(const char* path, FileIdentity* id) override {
    struct stat st;
    if (fstatat(g_root_fd, native_path(path).c_str(), &st, 0) != 0) return fail(errno);
    id->volume = static_cast<uint64_t>(st.st_dev);
    id->index = static_cast<uint64_t>(st.st_ino);
    id->index_high = 0;
    return true;
  }

  bool make_dir(const char* path) override {
    return mkdirat(g_root_fd, native_path(path).c_str(), 0777) == 0 || fail(errno);
  }

  bool remove_dir(const char* path) override {
    return unlinkat(g_root_fd, native_path(path).c_str(), AT_REMOVEDIR) == 0 || fail(errno);
  }

  bool rename_file(const char* from, const char* to) override {
    std::string f = native_path(from), t = native_path(to);
    if (renameat2(g_root_fd, f.c_str(), g_root_fd, t.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return fail(errno);
    // File systems without RENAME_NOREPLACE: check first, as close as we can get.
    struct stat st;
    if (fstatat(g_root_fd, t.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return fail(kErrExists);
    return renameat(g_root_fd, f.c_str(), g_root_fd, t.c_str()) == 0 || fail(errno);
  }

  bool replace_file(const char* from, const char* to, const FileStatus* unchanged) override {
    std::string t = native_path(to);
    // The target is looked at right before the rename: bytes another
    // program appended since it was read make the rename wait for a new
    // reading instead of dropping them.
    if (unchanged) {
      struct stat st;
      if (fstatat(g_root_fd, t.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
          static_cast<uint64_t>(st.st_size) != unchanged->size ||
          modified_of(st) != unchanged->modified) {
        return fail(kErrChanged);
      }
    }
    return renameat(g_root_fd, native_path(from).c_str(), g_root_fd, t.c_str()) == 0 ||
           fail(errno);
  }

  bool remove_file(const char* path) override {
    // Windows refuses to delete a directory as a file with EACCES, where
    // unlink says EISDIR.
    return unlinkat(g_root_fd, native_path(path).c_str(), 0) == 0 ||
           fail(errno == EISDIR ? kErrAccess : errno);
  }

  bool writable(const char* path) override {
    return faccessat(g_root_fd, native_path(path).c_str(), W_OK, AT_EACCESS) == 0 || fail(errno);
  }

  bool sync_dir(const char* path) override {
    int fd = openat(g_root_fd, native_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return fail(errno);
    bool ok = fsync(fd) == 0;
    int err = errno;
    ::close(fd);
    return ok || fail(err);
  }

  std::unique_ptr<File> open(const char* path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::kRead: flags |= O_RDONLY; break;
      case OpenMode::kWriteTruncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
      case OpenMode::kAppend: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
      case OpenMode::kCreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a peer.  Only a regular
    // file is kept, and on a regular file the flag changes nothing.
    // O_NOFOLLOW: a name that is a link is not opened.
    int fd = openat(g_root_fd, native_path(path).c_str(), flags | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd < 0) return fail_null<File>(errno);
    struct stat st;
    if (mode == OpenMode::kCreateNew) {
      // O_EXCL made it here and now: a new, empty regular file.
      memset(&st, 0, sizeof st);
    } else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return fail_null<File>(kErrAccess);
    }
    return std::make_unique<PosixFile>(fd, st);
  }

  // The root is held open: the directory itself, whatever happens to the
  // path that led to it.
  bool fix_root() override {
    int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return fail(errno);
    if (g_root_fd != AT_FDCWD) ::close(g_root_fd);
    g_root_fd = fd;
    return true;
  }

  bool enter_root() override {
    return g_root_fd == AT_FDCWD || fchdir(g_root_fd) == 0 || fail(errno);
  }

  bool instance_marker_acquire() override {
    if (lock_fd_ >= 0) return false;
    char path[64];
    format_text(path, sizeof path, "/tmp/vendrit-%u.lock", static_cast<unsigned>(getuid()));
    int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no lock file possible: do not refuse to start
    // flock is released by the kernel when the process ends, however it ends.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    lock_fd_ = fd;
    return true;
  }

  void instance_marker_release() override { close_lock(&lock_fd_); }

  // flock on the root directory itself: no file is left in the reader's
  // root, any user's process that opens the same directory (by whatever
  // path) meets the lock, and the kernel drops it with the process.
  bool root_lock_acquire() override {
    if (root_fd_ >= 0) return false;
    int fd = openat(g_root_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;  // nothing to lock: do not refuse to start
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int err = errno;
      ::close(fd);
      return err != EWOULDBLOCK;  // a file system without locks does not stop us
    }
    root_fd_ = fd;
    return true;
  }

  void root_lock_release() override { close_lock(&root_fd_); }

  // Asked for every temporary name: kept, and forgotten in a forked child.
  unsigned long process_id() override {
    static bool reset_on_fork = pthread_atfork(nullptr, nullptr, [] { g_pid = 0; }) == 0;
    (void)reset_on_fork;
    if (g_pid == 0) g_pid = static_cast<unsigned long>(getpid());
    return g_pid;
  }

  LocalTime local_time() override {
    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }

  bool run_process(const char* command_line, const char* directory) override {
    std::string dir = directory ? native_path(directory) : std::string();
    pid_t pid = fork();
    if (pid < 0) return fail(errno);
    if (pid == 0) {
      // A directory that cannot be entered leaves the start in the root.
      if (g_root_fd != AT_FDCWD && fchdir(g_root_fd) != 0) _exit(127);
      if (!dir.empty() && chdir(dir.c_str()) != 0) {
      }
      execl("/bin/sh", "sh", "-c", command_line, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) return fail(errno);
    }
    // The shell's 127 means the command could not be found or started.
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127) || fail(kErrNoEntry);
  }

  void sleep_ms(int ms) override {
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

 private:
  // Closing the descriptor drops its lock.
  static void close_lock(int* fd) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }

  template <typename T = DirListing>
  static std::unique_ptr<T> fail_null(int error) {
    fail(error);
    return nullptr;
  }

  int lock_fd_ = -1;
  int root_fd_ = -1;
};

}  // namespace

Env* platform_env() {
  static PosixEnv instance;
  return &instance;
}

}  // namespace vendrit
