#include "relocate/thread_decision.h"

#include <gtest/gtest.h>

namespace vendrit {
namespace {

using D = Destination;
using V = Verdict;

// A source of 10 bytes with its index; the destination as given.
ThreadFacts facts(D destination, uint64_t destination_size = 0) {
  ThreadFacts f;
  f.destination = destination;
  f.source_size = 10;
  f.destination_size = destination_size;
  f.source_index = true;
  f.same = destination == D::kFile ? SameFile::kOther : SameFile::kNotAsked;
  return f;
}

ThreadFacts with_same(SameFile same) {
  ThreadFacts f = facts(D::kFile, 5);
  f.same = same;
  return f;
}

ThreadFacts dropped(Dropped d) {
  ThreadFacts f = facts(D::kAbsent);
  f.dropped = d;
  return f;
}

// An earlier run moved the index and stopped: none at the source, one there.
ThreadFacts interrupted(D destination, uint64_t destination_size = 0, bool self_paired = false) {
  ThreadFacts f = facts(destination, destination_size);
  f.source_index = false;
  f.destination_index = true;
  f.self_paired = self_paired;
  return f;
}

ThreadFacts without_buffer() {
  ThreadFacts f = facts(D::kAbsent);
  f.buffer = false;
  return f;
}

const Policy kMove{false, false, false}, kLarge{false, true, false}, kCopy{true, false, false},
    kCopyLarge{true, true, false}, kNoMove{false, false, true};

TEST(ThreadDecision, Table) {
  const struct Row {
    ThreadFacts facts;
    Policy policy;
    Verdict verdict;
    bool again;
  } rows[] = {
      {facts(D::kAbsent), kMove, V::kMove, false},
      {facts(D::kAbsent), kCopyLarge, V::kCopy, false},
      {facts(D::kEmpty), kLarge, V::kMove, false},
      {facts(D::kEmpty), kCopy, V::kCopy, false},
      {facts(D::kFile, 5), kMove, V::kDropSource, false},
      {facts(D::kFile, 5), kLarge, V::kReplaceThenDrop, false},
      {facts(D::kFile, 5), kCopy, V::kKeepBoth, false},
      {facts(D::kFile, 5), kCopyLarge, V::kCopyOver, false},
      {facts(D::kFile, 10), kLarge, V::kDropSource, false},
      {facts(D::kFile, 10), kCopyLarge, V::kKeepBoth, false},
      {facts(D::kDirectory), kMove, V::kDirectoryThere, false},
      {facts(D::kNotRegular), kCopy, V::kNotRegular, false},
      {with_same(SameFile::kSame), kLarge, V::kSameFile, false},
      {with_same(SameFile::kUnknown), kMove, V::kSameUnknown, false},
      {dropped(Dropped::kYes), kNoMove, V::kLeaveDropped, false},
      {dropped(Dropped::kUnusable), kNoMove, V::kIndexUnusable, false},
      {dropped(Dropped::kNo), kNoMove, V::kMove, false},
      {without_buffer(), kMove, V::kTooLarge, false},
      {interrupted(D::kAbsent), kMove, V::kMove, true},
      {interrupted(D::kAbsent, 0, true), kMove, V::kMove, false},
      {interrupted(D::kFile, 20), kMove, V::kDropSource, true},
      {interrupted(D::kFile, 5), kLarge, V::kReplaceThenDrop, false},
      {interrupted(D::kAbsent), kCopy, V::kCopy, false},
  };
  for (const Row& r : rows) {
    const Decision d = decide_thread(r.facts, r.policy);
    EXPECT_EQ(d.verdict, r.verdict) << "row " << &r - rows;
    EXPECT_EQ(d.again, r.again) << "row " << &r - rows;
  }
}

}  // namespace
}  // namespace vendrit
