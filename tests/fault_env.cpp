#include "tests/fault_env.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

// A failing write may still have put part of the bytes on disk.
class FaultFile : public File {
  FaultEnv* env_;
  std::unique_ptr<File> base_;
  std::string path_;

 public:
  FaultFile(FaultEnv* env, std::unique_ptr<File> base, const char* path) : env_(env), base_(std::move(base)), path_(path) {}
  long long read(void* buf, size_t n) override { return env_->should_fail(FaultOp::kRead) ? -1 : base_->read(buf, n); }
  bool write(const void* buf, size_t n) override {
    const ByteSpan one{static_cast<const char*>(buf), n};
    return write_pieces(&one, 1);
  }
  bool write_pieces(const ByteSpan* pieces, size_t count) override {
    if (!env_->should_fail(FaultOp::kWrite)) return base_->write_pieces(pieces, count);
    if (count && pieces[0].size > 1) base_->write(pieces[0].data, pieces[0].size / 2);
    return false;
  }
  bool status(FileStatus* s) override { return !env_->should_fail(FaultOp::kStat) && base_->status(s); }
  bool sync() override {
    if (env_->should_fail(FaultOp::kSync)) return Env::fail(kErrAccess);
    env_->flushed(path_);
    return true;
  }
  bool close() override {
    bool fail = env_->should_fail(FaultOp::kClose);
    return base_->close() && !fail;
  }
};

// A listing that may break off at any entry.
class FaultListing : public DirListing {
  FaultEnv* env_;
  std::unique_ptr<DirListing> base_;
  bool failed_ = false;

 public:
  FaultListing(FaultEnv* env, std::unique_ptr<DirListing> base) : env_(env), base_(std::move(base)) {}
  bool next(DirEntry* entry) override {
    if (env_->should_fail(FaultOp::kList)) return !(failed_ = true);
    return base_->next(entry);
  }
  bool failed() const override { return failed_ || base_->failed(); }
};

}  // namespace

std::unique_ptr<DirListing> FaultEnv::list_dir(const char* p, bool sizes) {
  if (should_fail(FaultOp::kList, p)) return nullptr;
  std::unique_ptr<DirListing> base = target()->list_dir(p, sizes);
  return base ? std::make_unique<FaultListing>(this, std::move(base)) : nullptr;
}

std::unique_ptr<File> FaultEnv::open(const char* path, OpenMode mode) {
  const bool writing = mode != OpenMode::kRead;
  if (should_fail(FaultOp::kOpen, path) || (writing && locked(path))) return nullptr;
  std::unique_ptr<File> base = target()->open(path, mode);
  if (!base) return nullptr;
  FileStatus st;
  if (writing) written(path, mode == OpenMode::kAppend && base->status(&st) ? st.size : 0);
  return std::make_unique<FaultFile>(this, std::move(base), path);
}

bool FaultEnv::cut_power() {
  for (const auto& f : unflushed_) resize_file(f.first, f.second);
  const bool lost = !unflushed_.empty();
  unflushed_.clear();
  return lost;
}

}  // namespace vendrit
