#include "relocate/thread_decision.h"

#include <gtest/gtest.h>

namespace vendrit {
namespace {

using D = Destination;
using V = Verdict;

// A source of 10 bytes, with its index unless an earlier run moved that (`moved`); a destination
// of `size` bytes with an index.
ThreadFacts facts(D destination, uint64_t size = 0, bool moved = false, bool self_paired = false,
                  SameFile same = SameFile::kOther) {
  return {destination, 10, size, !moved, true, self_paired, true, Dropped::kNotAsked, same};
}

const Policy kMove{}, kLarge{false, true}, kCopy{true};

// The verdicts the board move shows on disk are left to its tests; here those it cannot easily
// set up, equal sizes, and the threads an earlier run left half moved.
TEST(ThreadDecision, Table) {
  const struct Row {
    ThreadFacts facts;
    Policy policy;
    Verdict verdict;
    bool again = false;
  } rows[] = {
      {facts(D::kFile, 10), kLarge, V::kDropSource},
      {facts(D::kDirectory), kMove, V::kDirectoryThere},
      {facts(D::kNotRegular), kCopy, V::kNotRegular},
      {facts(D::kFile, 5, false, false, SameFile::kSame), kLarge, V::kSameFile},
      {facts(D::kFile, 5, false, false, SameFile::kUnknown), kMove, V::kSameUnknown},
      {facts(D::kAbsent, 0, true), kMove, V::kMove, true},
      {facts(D::kAbsent, 0, true, true), kMove, V::kMove},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(&r - rows);
    const Decision d = decide_thread(r.facts, r.policy);
    EXPECT_EQ(d.verdict, r.verdict);
    EXPECT_EQ(d.again, r.again);
  }
}

}  // namespace
}  // namespace vendrit
