// The platform's Env failing (or "crashing" on) chosen operations, with locked
// files and stand-ins for the clock, marker, root lock, shared memory, programs.
#pragma once

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vendrit {

// kOpen also counts the write probe and run_process, kRename replace_file,
// kStat identity and File::status.
enum class FaultOp { kOpen, kRead, kWrite, kClose, kRename, kRemove, kMkdir, kRmdir, kList, kStat, kCount };

class FaultEnv : public EnvWrapper {
 public:
  explicit FaultEnv(Env* base = platform_env()) : EnvWrapper(base) {}
  // Fails the n-th (1-based) `op` from now on, or every one from the n-th on; 0 disarms.
  void fail_nth(FaultOp op, int n) { fail_nth_[int(op)] = n ? count(op) + n : 0; }
  void fail_from(FaultOp op, int n) { fail_from_[int(op)] = n ? count(op) + n : 0; }
  int count(FaultOp op) const { return counts_[int(op)]; }
  void fail_total_nth(long k) { fail_total_at_ = k ? total_ + k : 0; }  // any kind
  // Calls `crash` (which must not return) before the k-th operation of any kind.
  void crash_at(long k, std::function<void()> crash) { crash_at_ = k ? total_ + k : 0, crash_ = std::move(crash); }
  long total() const { return total_; }
  void reset() { *this = FaultEnv(target()); }
  // Writing, replacing, renaming onto and deleting `path` fail, as if locked.
  void lock_file(const std::string& path) { locked_.insert(path); }
  bool should_fail(FaultOp op) {  // counts the call
    int n = ++counts_[int(op)];
    if (++total_ == crash_at_ && crash_) crash_();
    return n == fail_nth_[int(op)] || (fail_from_[int(op)] && n >= fail_from_[int(op)]) || total_ == fail_total_at_;
  }

  using Env::list_dir;
  std::unique_ptr<DirListing> list_dir(const char* p, bool sizes) override {
    return should_fail(FaultOp::kList) ? nullptr : target()->list_dir(p, sizes);
  }
  bool stat(const char* p, FileStatus* s) override { return !should_fail(FaultOp::kStat) && target()->stat(p, s); }
  bool identity(const char* p, FileIdentity* i) override { return !should_fail(FaultOp::kStat) && target()->identity(p, i); }
  bool make_dir(const char* p) override { return should_fail(FaultOp::kMkdir) ? fail(kErrAccess) : target()->make_dir(p); }
  bool remove_dir(const char* p) override { return !should_fail(FaultOp::kRmdir) && target()->remove_dir(p); }
  bool rename_file(const char* a, const char* b) override { return moves(a, b) && target()->rename_file(a, b); }
  bool replace_file(const char* a, const char* b) override { return moves(a, b) && target()->replace_file(a, b); }
  bool remove_file(const char* p) override {
    return should_fail(FaultOp::kRemove) || locked(p) ? fail(kErrAccess) : target()->remove_file(p);
  }
  // The probe stands for an open for writing, and fails like one.
  bool writable(const char* p) override { return !should_fail(FaultOp::kOpen) && !locked(p) && target()->writable(p); }
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
    return !should_fail(FaultOp::kOpen) && target()->run_process(command_line, dir);
  }

  long slept_ms = 0;
  std::vector<std::pair<std::string, std::string>> processes;  // command, directory
  std::string shared_memory_name, shared_memory;  // a stand-in for a host's block
  bool marker_held_ = false, root_held_ = false;

 private:
  bool locked(const char* path) const { return locked_.count(path) != 0; }
  bool moves(const char* from, const char* to) { return !should_fail(FaultOp::kRename) && !locked(from) && !locked(to); }

  std::set<std::string> locked_;
  int counts_[int(FaultOp::kCount)] = {}, fail_nth_[int(FaultOp::kCount)] = {}, fail_from_[int(FaultOp::kCount)] = {};
  long total_ = 0, crash_at_ = 0, fail_total_at_ = 0;
  std::function<void()> crash_;
};

}  // namespace vendrit
