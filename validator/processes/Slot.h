// A few words of memory shared between a worker process and the validator: which case and which
// line the worker runs, and a beat that moves as each case begins. The validator reads it when the
// worker died or ran a case past its time limit, to name the case and the line, without a message
// for every case.
#pragma once

#include <algorithm>
#include <atomic>
#include <string>

namespace vexvalidator {

// The slot lives in memory that a forked child shares with its parent: atomics there must work
// without a lock, which would live in one process only.
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<unsigned>::is_always_lock_free);

struct Slot {
  std::atomic<int> Case = 0;       // the number of the case in its job
  std::atomic<int> Line = -1;      // the line of the case being run; -1: none
  std::atomic<unsigned> Beat = 0;  // moves whenever a case begins: the time limit is a case's
  // A line the worker runs after the case's own (a way out pressed after a fault), which only the
  // worker knows: a death from then on names it and its replay runs it. Length 0: none.
  std::atomic<int> ExtraLength = 0;
  char Extra[240] = {};

  void BeginCase(int n) {
    Case = n;
    Line = -1;
    ExtraLength = 0;
    ++Beat;
  }
  void BeginLine(int index) { Line = index; }
  // Notes the line run after the case's own; a line too long to note is not noted.
  void NoteExtraLine(const std::string& line) {
    ExtraLength = 0;
    if (line.size() > sizeof(Extra)) return;
    std::copy(line.begin(), line.end(), Extra);
    ExtraLength = static_cast<int>(line.size());
  }
  std::string ExtraLine() const { return {Extra, static_cast<std::size_t>(std::max(0, ExtraLength.load()))}; }
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
