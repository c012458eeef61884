// The fault sweeps of explored paths: every fault family over every path whose run showed nothing
// wrong without faults, a sweep running n = 1, 2, ... until a run meets no fault. A path's sweep of
// a family waits for the same family's sweep of the path one line shorter, so that it can leave
// out the fault points where that run was refused a line: there the longer path's run is the same
// run, refused at the same line.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Planning.h"
#include "validator/case/Bounds.h"
#include "validator/findings/FindingBook.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"

namespace vexvalidator {

class SweepPlanner {
 public:
  // Keeps a reference to `book`, which outlives the planner.
  SweepPlanner(FindingBook& book, SubmitJob submit);

  // Sweeps every family over a path, now or when its shorter path's sweeps are over.
  void Sweep(const Path& path);

  // What the workers tell of a sweep.
  void OnResult(const Job& job, const SweepJob& work, const CaseResult& result);
  void OnClean(const Job& job, const SweepJob& work, int cases, const std::vector<int>& stopped, double seconds = 0);
  // The worker died during case `death.N`, which ran `lines`; returns whether the rest of the
  // sweep is still to run.
  bool OnDeath(const Job& job, const SweepJob& work, const Pool::Death& death, const std::vector<std::string>& lines);
  void OnDone(const Job& job, const SweepJob& work);

 private:
  // One family's sweep of one path.
  struct FamilySweep {
    bool Done = false;
    std::set<int> Skip;  // inherited from the shorter path, then its own refused points
    std::size_t Test = 0;
    int TimeOuts = 0;
    bool Ended = false;         // a run met no fault, or the sweep gave up on hangs: not stopped by its bound
    std::vector<Path> Waiting;  // paths one line longer, waiting for this sweep's refused points
  };

  FamilySweep& Of(const Job& job, const SweepJob& work);
  // Books cases of a sweep's family and their time; its reach, for the caller to extend.
  FaultReach& Reach(const Job& job, const SweepJob& work, int cases, double seconds);
  void Submit(const Path& path, std::size_t family, const std::set<int>& skip);

  FindingBook& _Book;
  SubmitJob _Submit;
  std::map<Path, std::vector<FamilySweep>> _Sweeps;  // by path, one for each family
};

// The script of a sweep's nth case: the fault line, then the path's steps.
std::vector<std::string> SweepLines(const Job& job, const SweepJob& work, int n);

}  // namespace vexvalidator
