// A few words of memory shared between a worker process and the validator: which case and which
// line the worker runs, and a beat that moves as each case begins. The validator reads it when the
// worker died or ran a case past its time limit, to name the case and the line, without a message
// for every case.
#pragma once

#include <atomic>

namespace vexvalidator {

// The slot lives in memory that a forked child shares with its parent: atomics there must work
// without a lock, which would live in one process only.
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<unsigned>::is_always_lock_free);

struct Slot {
  std::atomic<int> Case = 0;       // the number of the case in its job
  std::atomic<int> Line = -1;      // the line of the case being run; -1: none
  std::atomic<unsigned> Beat = 0;  // moves whenever a case begins: the time limit is a case's

  void BeginCase(int n) {
    Case = n;
    Line = -1;
    ++Beat;
  }
  void BeginLine(int index) { Line = index; }
};

// Shared memory for `count` slots that forked children keep; unmapped by the destructor.
class SharedSlots {
 public:
  explicit SharedSlots(int count);
  SharedSlots(const SharedSlots&) = delete;
  SharedSlots& operator=(const SharedSlots&) = delete;
  ~SharedSlots();
  Slot& operator[](int index) { return _Slots[index]; }

 private:
  Slot* _Slots;
  int _Count;
};

}  // namespace vexvalidator
