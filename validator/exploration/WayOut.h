// Whether a person can end the command from every state the exploration reaches. The states of a
// command form a graph: each run of a path tells from which state its last action was taken and
// where it led. A state ends when no command runs there; a state can end when one of its actions
// leads to a state that can. Where the exploration stopped (its depth, its bound of states) the
// actions of a state that cannot yet be shown to end are run further, its buttons first, a few
// steps beyond. A state that cannot end although every action from it and from every state it
// leads to was run strands a person: a finding. One whose way out was not found within the search
// is a bound met, not a finding.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Planning.h"
#include "validator/case/Bounds.h"

namespace vexvalidator {

class WayOut {
 public:
  // A state of `path.Command` reached: the state its last line was taken from (empty when that is
  // not known), whether the command runs there, what a person can do there and the windows shown.
  void Reached(const Path& path, const std::string& from, const std::string& state, bool running,
               const std::vector<std::string>& actions, const std::vector<std::string>& shown = {});
  // The outcome of a path's last line taken from `from` is not known: its run died, hung, was
  // refused, or was not run.
  void Unknown(const std::string& command, const std::string& from, const std::string& line);
  // The host refused a path's last line taken from `from` (a greyed window's close box, a press
  // where the button is not there): nothing happened, the state stays as it was.
  void Refused(const std::string& command, const std::string& from, const std::string& line);

  // The paths to run next in search of a way out; none when the search is over. `seen`: paths run
  // already, whose outcome the graph holds or never will.
  std::vector<Path> Next(const std::set<Path>& seen);

  struct StrandedState {
    Path Where;                        // a path that reaches the state
    std::vector<std::string> Actions;  // what a person can do there, none of which leads out
    std::vector<std::string> Shown;    // the windows shown there
  };
  struct Verdict {
    std::vector<StrandedState> Stranded;  // in the order of their paths
    int Unknown = 0;                      // states whose way out was not found within the search
  };
  Verdict Conclude(const std::string& command) const;

  // How many actions beyond the exploration's states a path of the search goes at most, how many
  // paths it runs in all, and how many it hands out at once.
  static constexpr int Rounds = WayOutRounds;
  static constexpr int MostPaths = WayOutPaths;
  static constexpr std::size_t MostPerRound = 500;

 private:
  struct State {
    Path Where;
    int Beyond = 0;  // how many of the search's own actions Where ends with
    bool Running = false;
    std::vector<std::string> Actions;
    std::vector<std::string> Shown;
    std::map<std::string, std::optional<std::string>> Edges;  // line -> the state it led to; none: not known
  };
  using Graph = std::map<std::string, State>;

  static std::set<std::string> CanEnd(const Graph& graph);
  static std::set<std::string> Sought(const Graph& graph, const std::set<std::string>& can);
  static bool Closed(const State& state);

  std::map<std::string, Graph> _Graphs;  // by command
  std::set<Path> _Asked;
};

// Whether a line is a press of a button or a close box (the first actions tried to leave a state).
bool IsButtonLine(const std::string& line);

}  // namespace vexvalidator
