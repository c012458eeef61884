// The exploration of what a person can do with a command, breadth first: its lifecycles, its start
// on every product, and from each state reached every action the shown dialogs offer, up to a
// depth. States are told apart by what is shown and what the product model holds; a state seen
// before is not explored again, but an action that changed nothing visible is pressed again, up to
// three times, since a fault may wait for the third press. Each path is a job for the workers; a
// path whose run got through its lines goes on to the sweep planner, findings or not, so that a
// fault behind a fault is found too. Once every path is taken, the search for a way out
// (WayOut.h) runs on where the exploration stopped, and what strands a person is a finding.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>

#include "Planning.h"
#include "SweepPlanner.h"
#include "WayOut.h"
#include "validator/findings/FindingBook.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"

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

  // Paths found and paths taken so far; whether the exploration, its search for ways out included, is over.
  std::size_t PathsFound() const { return _Taken + _Found.size(); }
  std::size_t PathsTaken() const { return _Taken; }
  bool Over() const { return _Over; }

  // An action is pressed this many times in a row, at least, wherever it stays possible.
  static constexpr int Presses = 3;

 private:
  // Return: a button pressed again in a state a path came back to, after a person left it for
  // another window or state: what the module keeps hidden may have changed on the way.
  enum class Purpose { Path, Repeat, WayOut, Return };
  struct Node {
    Path Where;
    Phase Stage = Phase::Exploration;
    std::string Label;
    bool Look = false;  // whether to tell the state reached apart and explore from it
    int Depth = 0;
    int MaxDepth = 0;
    std::size_t Test = 0;
    Purpose Why = Purpose::Path;
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
  // The findings of the run's steps, with a refused line told apart: nondeterminism only where the
  // same line was done before in the same state.
  std::vector<Finding> StepFindings(const Node& node, const CaseResult& result);
  bool Fresh(const std::string& command, const std::string& state);
  void Reactivate(const Path& path);
  void Extend(const Node& node, const CaseResult& result, bool fresh);
  void PressAgainOnReturn(const Node& node, const CaseResult& result);
  void SearchWayOut();
  void Conclude();

  Limits _Limits;
  const vexhost::DocumentData& _Document;
  FindingBook& _Book;
  SweepPlanner& _Planner;
  const HungLines& _Hangs;
  SubmitJob _Submit;
  std::deque<Found> _Found;  // paths found and not yet taken, in the order found
  std::size_t _Taken = 0;    // paths taken: the number of the first in _Found
  bool _Draining = false;
  bool _Over = false;
  std::set<Path> _Seen;                                      // paths explored, so that none runs twice
  std::map<std::string, std::set<std::string>> _States;      // states told apart, by command
  std::set<std::string> _Reactivated;                        // commands whose path ending with OK was run reactivated
  std::set<std::string> _Returned;                           // a state and the line that came back to it
  std::map<std::string, std::set<std::string>> _TurnedAway;  // states not told apart: the bound was met
  // By command and state: the lines done there.
  std::map<std::string, std::map<std::string, std::set<std::string>>> _Done;
  std::vector<std::string> _Commands;
  WayOut _WayOut;
};

}  // namespace vexvalidator
