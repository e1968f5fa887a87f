// A test double of the OS seam: passes every call to the platform's Env and
// fails (or "crashes" on) chosen operations, so tests can prove that no
// failure loses user data.  Modelled on a fault-injection wrapper: it is just
// another Env.
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"

namespace vendrit {

enum class FaultOp {
  kOpen,     // open (any mode) and the probe whether a file may be written
  kRead,     // File::read
  kWrite,    // File::write
  kClose,    // File::close
  kRename,   // rename_file and replace_file
  kRemove,   // remove_file
  kMkdir,    // make_dir
  kRmdir,    // remove_dir
  kList,     // list_dir
  kStat,     // stat, identity and File::status
  kCount
};

const char* fault_op_name(FaultOp op);

class FaultEnv : public Env {
 public:
  explicit FaultEnv(Env* base = platform_env()) : base_(base) {}

  // Fails the n-th (1-based) operation of `op` from now on; 0 disarms.
  void fail_nth(FaultOp op, int n);
  // Fails every operation of `op` from the n-th on.
  void fail_from(FaultOp op, int n);
  // Fails the k-th operation of any kind from now on (each kind counted as
  // above: open, read, write, close, rename, remove, mkdir, rmdir, list, stat).
  void fail_total_nth(long k) { fail_total_at_ = k ? total_ + k : 0; }
  // Calls `crash` (which must not return) before the k-th operation of any
  // kind; used to simulate a process killed mid-run.
  void crash_at(long k, std::function<void()> crash);
  // Counts of operations seen so far, per kind and in all.
  int count(FaultOp op) const { return counts_[static_cast<int>(op)]; }
  long total() const { return total_; }
  void reset();
  // Makes `path` behave like a locked or read-only file: opening it for
  // writing, replacing it, renaming onto it and deleting it fail.
  void lock_file(const std::string& path) { locked_.insert(path); }

  // Returns true when this call of `op` is to fail (and counts it).
  bool should_fail(FaultOp op);

  using Env::list_dir;
  std::unique_ptr<DirListing> list_dir(const char* path, bool sizes) override;
  bool stat(const char* path, FileStatus* status) override;
  bool identity(const char* path, FileIdentity* id) override;
  bool make_dir(const char* path) override;
  bool remove_dir(const char* path) override;
  bool rename_file(const char* from, const char* to) override;
  bool replace_file(const char* from, const char* to) override;
  bool remove_file(const char* path) override;
  bool writable(const char* path) override;
  std::unique_ptr<File> open(const char* path, OpenMode mode) override;
  bool current_dir(char* buf, size_t size) override { return base_->current_dir(buf, size); }
  bool set_current_dir(const char* path) override { return base_->set_current_dir(path); }
  bool absolute_path(const char* name, char* buf, size_t size) override {
    return base_->absolute_path(name, buf, size);
  }
  bool instance_marker_acquire() override { return !marker_held_ && (marker_held_ = true); }
  void instance_marker_release() override { marker_held_ = false; }
  bool root_lock_acquire() override { return !root_held_ && (root_held_ = true); }
  void root_lock_release() override { root_held_ = false; }
  unsigned long process_id() override { return base_->process_id(); }
  LocalTime local_time() override { return LocalTime{2026, 12, 6, 9, 5, 7}; }
  void sleep_ms(int ms) override { slept_ms += ms; }
  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    if (shared_memory_name != name) return false;
    *copied = shared_memory.size() < capacity ? shared_memory.size() : capacity;
    memcpy(buf, shared_memory.data(), *copied);
    return true;
  }

  bool run_process(const char* command_line, const char* directory) override {
    processes.push_back({command_line, directory});
    if (should_fail(FaultOp::kOpen)) return false;
    return base_->run_process(command_line, directory);
  }

  long slept_ms = 0;
  std::vector<std::pair<std::string, std::string>> processes;  // command, directory
  // A stand-in for a host's shared-memory block.
  std::string shared_memory_name, shared_memory;

  bool marker_held_ = false;  // in-process stand-ins for the real marker and lock
  bool root_held_ = false;

 private:
  bool locked(const char* path) const { return locked_.count(path) != 0; }

  std::set<std::string> locked_;
  Env* base_;
  int counts_[static_cast<int>(FaultOp::kCount)] = {};
  int fail_nth_[static_cast<int>(FaultOp::kCount)] = {};
  int fail_from_[static_cast<int>(FaultOp::kCount)] = {};
  long total_ = 0;
  long crash_at_ = 0;
  long fail_total_at_ = 0;
  std::function<void()> crash_;
};

}  // namespace vendrit
