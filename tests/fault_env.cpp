#include "tests/fault_env.h"

namespace vendrit {

namespace {

class FaultFile : public File {
 public:
  FaultFile(FaultEnv* env, std::unique_ptr<File> base) : env_(env), base_(std::move(base)) {}

  long long read(void* buf, size_t n) override {
    if (env_->should_fail(FaultOp::kRead)) return -1;
    return base_->read(buf, n);
  }

  bool write(const void* buf, size_t n) override {
    if (env_->should_fail(FaultOp::kWrite)) {
      // A failing write may still have put part of the bytes on disk.
      if (n > 1) base_->write(buf, n / 2);
      return false;
    }
    return base_->write(buf, n);
  }

  bool write_pieces(const ByteSpan* pieces, size_t count) override {
    if (env_->should_fail(FaultOp::kWrite)) {
      // A failing write may still have put part of the bytes on disk.
      if (count && pieces[0].size > 1) base_->write(pieces[0].data, pieces[0].size / 2);
      return false;
    }
    return base_->write_pieces(pieces, count);
  }

  bool status(FileStatus* status) override {
    return !env_->should_fail(FaultOp::kStat) && base_->status(status);
  }

  bool close() override {
    bool fail = env_->should_fail(FaultOp::kClose);
    bool ok = base_->close();
    return ok && !fail;
  }

 private:
  FaultEnv* env_;
  std::unique_ptr<File> base_;
};

class FaultListing : public DirListing {
 public:
  explicit FaultListing(std::unique_ptr<DirListing> base) : base_(std::move(base)) {}
  bool next(DirEntry* entry) override { return base_->next(entry); }

 private:
  std::unique_ptr<DirListing> base_;
};

}  // namespace

const char* fault_op_name(FaultOp op) {
  static const char* const names[] = {"open",  "read",  "write", "close", "rename",
                                      "remove", "mkdir", "rmdir", "list",  "stat"};
  return names[static_cast<int>(op)];
}

void FaultEnv::fail_nth(FaultOp op, int n) {
  fail_nth_[static_cast<int>(op)] = n ? count(op) + n : 0;
}

void FaultEnv::fail_from(FaultOp op, int n) {
  fail_from_[static_cast<int>(op)] = n ? count(op) + n : 0;
}

void FaultEnv::crash_at(long k, std::function<void()> crash) {
  crash_at_ = k ? total_ + k : 0;
  crash_ = std::move(crash);
}

void FaultEnv::reset() {
  for (int i = 0; i < static_cast<int>(FaultOp::kCount); ++i) {
    counts_[i] = fail_nth_[i] = fail_from_[i] = 0;
  }
  total_ = crash_at_ = fail_total_at_ = 0;
  locked_.clear();
  crash_ = nullptr;
}

bool FaultEnv::should_fail(FaultOp op) {
  int i = static_cast<int>(op);
  int n = ++counts_[i];
  if (++total_ == crash_at_ && crash_) crash_();
  return n == fail_nth_[i] || (fail_from_[i] && n >= fail_from_[i]) || total_ == fail_total_at_;
}

std::unique_ptr<DirListing> FaultEnv::list_dir(const char* path, bool sizes) {
  if (should_fail(FaultOp::kList)) return nullptr;
  std::unique_ptr<DirListing> base = base_->list_dir(path, sizes);
  if (!base) return nullptr;
  return std::make_unique<FaultListing>(std::move(base));
}

bool FaultEnv::stat(const char* path, FileStatus* status) {
  if (should_fail(FaultOp::kStat)) return false;
  return base_->stat(path, status);
}

bool FaultEnv::identity(const char* path, FileIdentity* id) {
  if (should_fail(FaultOp::kStat)) return false;
  return base_->identity(path, id);
}

bool FaultEnv::make_dir(const char* path) {
  if (should_fail(FaultOp::kMkdir)) return fail(kErrAccess);
  return base_->make_dir(path);
}

bool FaultEnv::remove_dir(const char* path) {
  if (should_fail(FaultOp::kRmdir)) return false;
  return base_->remove_dir(path);
}

bool FaultEnv::rename_file(const char* from, const char* to) {
  if (should_fail(FaultOp::kRename) || locked(from) || locked(to)) return false;
  return base_->rename_file(from, to);
}

bool FaultEnv::replace_file(const char* from, const char* to) {
  if (should_fail(FaultOp::kRename) || locked(from) || locked(to)) return false;
  return base_->replace_file(from, to);
}

bool FaultEnv::remove_file(const char* path) {
  if (should_fail(FaultOp::kRemove) || locked(path)) return fail(kErrAccess);
  return base_->remove_file(path);
}

// The probe stands for an open for writing, and fails like one.
bool FaultEnv::writable(const char* path) {
  if (should_fail(FaultOp::kOpen) || locked(path)) return false;
  return base_->writable(path);
}

std::unique_ptr<File> FaultEnv::open(const char* path, OpenMode mode) {
  if (should_fail(FaultOp::kOpen)) return nullptr;
  if (mode != OpenMode::kRead && locked(path)) return nullptr;
  std::unique_ptr<File> base = base_->open(path, mode);
  if (!base) return nullptr;
  return std::make_unique<FaultFile>(this, std::move(base));
}

}  // namespace vendrit
