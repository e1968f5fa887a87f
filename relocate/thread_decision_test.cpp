#include "relocate/thread_decision.h"

#include <gtest/gtest.h>

namespace vendrit {
namespace {

using D = Destination;
using V = Verdict;

// A source of 10 bytes with its index; a destination of `size` bytes with an index.
ThreadFacts facts(D destination, uint64_t size = 0, SameFile same = SameFile::kOther) {
  return {destination, 10, size, true, true, false, true, Dropped::kNotAsked, same};
}

const Policy kMove{}, kLarge{false, true}, kCopy{true};

// The verdicts the board move shows on disk are left to its tests; here those it cannot easily
// set up, and equal sizes (threads an earlier run left half moved are the failure sweep's).
TEST(ThreadDecision, Table) {
  const struct Row {
    ThreadFacts facts;
    Policy policy;
    Verdict verdict;
  } rows[] = {
      {facts(D::kFile, 10), kLarge, V::kDropSource},
      {facts(D::kDirectory), kMove, V::kDirectoryThere},
      {facts(D::kNotRegular), kCopy, V::kNotRegular},
      {facts(D::kFile, 5, SameFile::kSame), kLarge, V::kSameFile},
      {facts(D::kFile, 5, SameFile::kUnknown), kMove, V::kSameUnknown},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(&r - rows);
    EXPECT_EQ(decide_thread(r.facts, r.policy).verdict, r.verdict);
  }
}

}  // namespace
}  // namespace vendrit
