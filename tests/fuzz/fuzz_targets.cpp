// libFuzzer targets, one binary each: VENDRIT_FUZZ_TARGET names the function
// that takes the input.  They run in the unit tests' reader root and run
// context; the sanitizers or a failed check end the run.
#include "catalogue/catalogue.h"
#include "repair/thread_links.h"
#include "report/sstp_notify.h"
#include "store/thread_index.h"
#include "tests/test_support.h"

namespace vendrit {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

struct FuzzRoot : RootTest {
  FuzzRoot() { SetUp(); }
  ~FuzzRoot() override { TearDown(); }
  void TestBody() override {}
  void next(const std::string& in) {  // what the last input showed and counted is dropped
    *ui_ = RecordingUi();
    fault_.reset();
    VENDRIT_FUZZ_TARGET(in);
  }

  // The input up to its first 0xFF byte is exclude.lst, the rest 2channel.brd.
  // Every board kept is of the family.
  void catalogue(const std::string& in) {
    const size_t cut = in.find('\xFF') + 1;  // 0 without one
    write_file("exclude.lst", in.substr(0, cut ? cut - 1 : 0));
    write_file("2channel.brd", in.substr(cut));
    load_exclusion_list(env_, work_, catalogue_);
    if (load_board_list(env_, work_, catalogue_) == BoardListOutcome::kLoaded) report_duplicates(env_, work_, catalogue_);
    for (const BoardRecord& r : catalogue_.boards) check(is_family_server(r.server));
  }

  // The "Sakura" block, exactly the input's size: the sanitizer sees a read past it.
  void sakura(const std::string& in) {
    const std::vector<char> block(in.begin(), in.end());
    parse_sakura_block(block.data(), in.size());
  }

  // Whatever the reader accepts is written back byte for byte the same twice
  // (the format's one known loss, an ETag without a Last-Modified line, aside).
  void thread_index(const std::string& in) {
    ThreadIndex first, second;
    write_file("0.idx", in);
    if (!read_thread_index(env_, "0.idx", &first)) return;
    if (first.last_modified[0] == '\0') first.etag[0] = '\0';
    write_thread_index(env_, "1.idx", first);
    check(read_thread_index(env_, "1.idx", &second));
    write_thread_index(env_, "2.idx", second);
    check(read_file("1.idx") == read_file("2.idx"));
  }

  // The rewrite leaves no link to the board on the old host, and a second one changes nothing.
  void thread_links(const std::string& in) {
    auto rewrite = [&] {
      check(rewrite_thread_links(run_, ".", "1.idx", "news", "old.example/", "new.example/") == LinkRewrite::kRewritten);
      return read_file("1.dat");
    };
    write_file("1.dat", in);
    const std::string after = rewrite();
    check(after.find("old.example/test/read.cgi/news/") == std::string::npos);
    check(rewrite() == after);
  }
};

}  // namespace vendrit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vendrit::FuzzRoot root;
  root.next(std::string(data, data + size));
  return 0;
}
