// The exploration of what a person can do with a command, breadth first: its lifecycles, its start
// on every product, and from each state reached every action the shown dialogs offer, up to a
// depth. States are told apart by what is shown and what the product model holds; a state seen
// before is not explored again. Each path is a job for the workers; a path whose run shows
// nothing wrong goes on to the sweep planner.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>

#include "FindingBook.h"
#include "Messages.h"
#include "Planning.h"
#include "Pool.h"
#include "SweepPlanner.h"

namespace vexvalidator {

class Explorer {
 public:
  struct Limits {
    int Depth = 0;   // actions after the start
    int States = 0;  // states told apart, at most, for each command
  };

  // Keeps references to all but `limits` and `submit`; they outlive the explorer.
  Explorer(Limits limits, const vexhost::DocumentData& document, FindingBook& book, SweepPlanner& planner,
           const HungLines& hangs, SubmitJob submit);

  // Queues a command's lifecycles and its start on every other product.
  void Plan(const std::string& command);
  // A path's run, or its worker's death; whichever finishes first, they are taken in the order the
  // paths were found, so that the states counted and the paths explored are the same in every run.
  void OnResult(const ExplorationJob& work, const CaseResult& result);
  void OnDeath(const ExplorationJob& work, const Pool::Death& death);

 private:
  struct Node {
    Path Where;
    Phase Stage = Phase::Exploration;
    std::string Label;
    bool Look = false;  // whether to tell the state reached apart and explore from it
    int Depth = 0;
    int MaxDepth = 0;
    std::size_t Test = 0;
  };
  struct Skipped {};  // not run: its last line hung before
  using Ran = std::variant<CaseResult, Pool::Death, Skipped>;
  struct Found {
    Node Path;
    std::optional<Ran> Result;  // none while its job runs
  };

  void Explore(Node node);
  void Arrived(std::size_t number, Ran result);
  void Drain();
  void Take(const Node& node, const Ran& result);
  void Process(const Node& node, const CaseResult& result);

  Limits _Limits;
  const vexhost::DocumentData& _Document;
  FindingBook& _Book;
  SweepPlanner& _Planner;
  const HungLines& _Hangs;
  SubmitJob _Submit;
  std::deque<Found> _Found;  // paths found and not yet taken, in the order found
  std::size_t _Taken = 0;    // paths taken: the number of the first in _Found
  bool _Draining = false;
  std::set<Path> _Seen;                                  // paths explored, so that none runs twice
  std::map<std::string, std::set<std::string>> _States;  // states told apart, by command
};

}  // namespace vexvalidator
