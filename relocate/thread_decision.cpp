#include "relocate/thread_decision.h"

namespace vendrit {

bool needs_identity(const ThreadFacts& f) { return f.destination == Destination::kFile; }

Decision decide_thread(const ThreadFacts& f, const Policy& p) {
  if (p.no_move && f.dropped == Dropped::kUnusable) return {Verdict::kIndexUnusable};
  if (p.no_move && f.dropped == Dropped::kYes) return {Verdict::kLeaveDropped};
  if (!f.buffer) return {Verdict::kTooLarge};
  // No index at the source but one at the destination: an earlier run moved
  // the index and was cut short before the data file followed.
  const bool interrupted = !f.self_paired && !f.source_index && f.destination_index;
  switch (f.destination) {
    case Destination::kNotRegular: return {Verdict::kNotRegular};
    case Destination::kDirectory: return {Verdict::kDirectoryThere};
    case Destination::kAbsent:
    case Destination::kEmpty:
      return p.copyonly ? Decision{Verdict::kCopy} : Decision{Verdict::kMove, interrupted};
    case Destination::kFile: break;
  }
  if (f.same == SameFile::kSame) return {Verdict::kSameFile};
  if (f.same != SameFile::kOther) return {Verdict::kSameUnknown};
  // Equal sizes never copy: the copy already there is as good.
  const bool source_wins = p.copylarge && f.destination_size < f.source_size;
  if (p.copyonly) return {source_wins ? Verdict::kCopyOver : Verdict::kKeepBoth};
  // A replaced destination index described the replaced data: no earlier
  // run's entry can be there to find.
  if (source_wins) return {Verdict::kReplaceThenDrop};
  return {Verdict::kDropSource, interrupted};
}

}  // namespace vendrit
