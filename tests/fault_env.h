// Test doubles of the OS seam.  EnvWrapper passes every call to another Env;
// FaultEnv, built on it, fails (or "crashes" on) chosen operations, so tests
// can prove that no failure loses user data, and stands in for the clock,
// the instance marker, the root lock and the shared-memory block.
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

class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* base) : base_(base) {}
  using Env::list_dir;
  std::unique_ptr<DirListing> list_dir(const char* p, bool sizes) override { return base_->list_dir(p, sizes); }
  bool stat(const char* p, FileStatus* s) override { return base_->stat(p, s); }
  bool identity(const char* p, FileIdentity* id) override { return base_->identity(p, id); }
  bool make_dir(const char* p) override { return base_->make_dir(p); }
  bool remove_dir(const char* p) override { return base_->remove_dir(p); }
  bool rename_file(const char* from, const char* to) override { return base_->rename_file(from, to); }
  bool replace_file(const char* from, const char* to) override { return base_->replace_file(from, to); }
  bool remove_file(const char* p) override { return base_->remove_file(p); }
  bool writable(const char* p) override { return base_->writable(p); }
  std::unique_ptr<File> open(const char* p, OpenMode m) override { return base_->open(p, m); }
  bool current_dir(char* buf, size_t size) override { return base_->current_dir(buf, size); }
  bool set_current_dir(const char* p) override { return base_->set_current_dir(p); }
  bool absolute_path(const char* name, char* buf, size_t size) override {
    return base_->absolute_path(name, buf, size);
  }
  bool instance_marker_acquire() override { return base_->instance_marker_acquire(); }
  void instance_marker_release() override { base_->instance_marker_release(); }
  bool root_lock_acquire() override { return base_->root_lock_acquire(); }
  void root_lock_release() override { base_->root_lock_release(); }
  unsigned long process_id() override { return base_->process_id(); }
  LocalTime local_time() override { return base_->local_time(); }
  void sleep_ms(int ms) override { base_->sleep_ms(ms); }
  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    return base_->read_shared_memory(name, buf, capacity, copied);
  }
  bool run_process(const char* command_line, const char* dir) override {
    return base_->run_process(command_line, dir);
  }

 protected:
  Env* base_;
};

enum class FaultOp {
  kOpen,     // open (any mode), the probe whether a file may be written, run_process
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

class FaultEnv : public EnvWrapper {
 public:
  explicit FaultEnv(Env* base = platform_env()) : EnvWrapper(base) {}

  // Fails the n-th (1-based) operation of `op` from now on; 0 disarms.
  void fail_nth(FaultOp op, int n) { fail_nth_[int(op)] = n ? count(op) + n : 0; }
  // Fails every operation of `op` from the n-th on.
  void fail_from(FaultOp op, int n) { fail_from_[int(op)] = n ? count(op) + n : 0; }
  // Fails the k-th operation of any kind from now on.
  void fail_total_nth(long k) { fail_total_at_ = k ? total_ + k : 0; }
  // Calls `crash` (which must not return) before the k-th operation of any
  // kind; used to simulate a process killed mid-run.
  void crash_at(long k, std::function<void()> crash) {
    crash_at_ = k ? total_ + k : 0;
    crash_ = std::move(crash);
  }
  int count(FaultOp op) const { return counts_[int(op)]; }
  long total() const { return total_; }
  void reset() { *this = FaultEnv(base_); }
  // Makes `path` behave like a locked or read-only file: opening it for
  // writing, replacing it, renaming onto it and deleting it fail.
  void lock_file(const std::string& path) { locked_.insert(path); }
  // Returns true when this call of `op` is to fail (and counts it).
  bool should_fail(FaultOp op);

  using Env::list_dir;
  std::unique_ptr<DirListing> list_dir(const char* p, bool sizes) override {
    return should_fail(FaultOp::kList) ? nullptr : base_->list_dir(p, sizes);
  }
  bool stat(const char* p, FileStatus* s) override { return !should_fail(FaultOp::kStat) && base_->stat(p, s); }
  bool identity(const char* p, FileIdentity* id) override {
    return !should_fail(FaultOp::kStat) && base_->identity(p, id);
  }
  bool make_dir(const char* p) override { return should_fail(FaultOp::kMkdir) ? fail(kErrAccess) : base_->make_dir(p); }
  bool remove_dir(const char* p) override { return !should_fail(FaultOp::kRmdir) && base_->remove_dir(p); }
  bool rename_file(const char* from, const char* to) override {
    return !should_fail(FaultOp::kRename) && !locked(from) && !locked(to) && base_->rename_file(from, to);
  }
  bool replace_file(const char* from, const char* to) override {
    return !should_fail(FaultOp::kRename) && !locked(from) && !locked(to) && base_->replace_file(from, to);
  }
  bool remove_file(const char* p) override {
    return should_fail(FaultOp::kRemove) || locked(p) ? fail(kErrAccess) : base_->remove_file(p);
  }
  // The probe stands for an open for writing, and fails like one.
  bool writable(const char* p) override { return !should_fail(FaultOp::kOpen) && !locked(p) && base_->writable(p); }
  std::unique_ptr<File> open(const char* path, OpenMode mode) override;
  bool instance_marker_acquire() override { return !marker_held_ && (marker_held_ = true); }
  void instance_marker_release() override { marker_held_ = false; }
  bool root_lock_acquire() override { return !root_held_ && (root_held_ = true); }
  void root_lock_release() override { root_held_ = false; }
  LocalTime local_time() override { return LocalTime{2026, 12, 6, 9, 5, 7}; }
  void sleep_ms(int ms) override { slept_ms += ms; }
  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    if (shared_memory_name != name) return false;
    *copied = shared_memory.size() < capacity ? shared_memory.size() : capacity;
    memcpy(buf, shared_memory.data(), *copied);
    return true;
  }
  bool run_process(const char* command_line, const char* dir) override {
    processes.push_back({command_line, dir});
    return !should_fail(FaultOp::kOpen) && base_->run_process(command_line, dir);
  }

  long slept_ms = 0;
  std::vector<std::pair<std::string, std::string>> processes;  // command, directory
  std::string shared_memory_name, shared_memory;  // a stand-in for a host's block
  bool marker_held_ = false;  // in-process stand-ins for the real marker and lock
  bool root_held_ = false;

 private:
  bool locked(const char* path) const { return locked_.count(path) != 0; }

  std::set<std::string> locked_;
  int counts_[int(FaultOp::kCount)] = {};
  int fail_nth_[int(FaultOp::kCount)] = {};
  int fail_from_[int(FaultOp::kCount)] = {};
  long total_ = 0, crash_at_ = 0, fail_total_at_ = 0;
  std::function<void()> crash_;
};

}  // namespace vendrit
