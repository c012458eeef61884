// Fault sweeps: for every scenario, fail the nth host allocation, or raise a host error at the nth
// boundary call, for n = 1, 2, ... until a run meets no fault; once and from then on. Every run
// must end without a crash, with nothing alive and nothing released twice, and with an outcome
// the command can give (nothing set on a product unless an interim product was created).
#include <deque>
#include <functional>
#include <iostream>
#include <map>

#include "TestSupport.h"

using namespace vextest;

namespace {

struct Scenario {
  std::string Name;
  std::vector<std::string> ActivePath;  // empty: no current editor
  std::function<void(vexhost::Session&, vexhost::Hands&)> Run;
  bool WithLayout = true;
};

void StartIt(vexhost::Session& host, vexhost::Hands&) { host.StartCommand(CommandName); }

std::vector<Scenario> Scenarios() {
  const std::vector<std::string> blockA{"Hull", "Block A"};
  const std::vector<std::string> blockB{"Hull", "Block B"};
  return {
      {"create and destroy without a layout", {}, StartIt, false},
      {"activation without an editor", {}, StartIt},
      {"activation refused", blockB, StartIt},
      {"activation without a product", {"Deck"}, StartIt},
      {"activation allowed", blockA, StartIt},
      {"choosing a class", blockA,
       [](auto& host, auto& hands) {
         StartIt(host, hands);
         hands.ChooseClass(Panel, ClassFrame, "Block");
       }},
      {"OK with a part number", blockA,
       [](auto& host, auto& hands) {
         StartIt(host, hands);
         hands.ChooseClass(Panel, ClassFrame, "Block");
         hands.Type(Panel, PartNumberEditor, "BA-201");
         hands.PressOK(Panel);
       }},
      {"OK without a part number", blockA,
       [](auto& host, auto& hands) {
         StartIt(host, hands);
         hands.ChooseClass(Panel, ClassFrame, "SubBlock");
         hands.Type(Panel, PartNumberEditor, "");
         hands.PressOK(Panel);
       }},
      {"Cancel", blockA,
       [](auto& host, auto& hands) {
         StartIt(host, hands);
         hands.PressCancel(Panel);
       }},
      {"window close", blockA,
       [](auto& host, auto& hands) {
         StartIt(host, hands);
         hands.CloseWindow(Panel);
       }},
      {"error-box OK", blockB,
       [](auto& host, auto& hands) {
         StartIt(host, hands);
         hands.Acknowledge(ErrorBox);
       }},
  };
}

// The ship with a "Deck" root object that is not a product, holding the ship's hull.
vexhost::DocumentData SweepDocument(const std::vector<std::string>& active) {
  vexhost::DocumentData document = ShipDocument();
  if (!active.empty() && active.front() == "Deck") {
    vexhost::ProductData deck{"Deck", false, "", "", {}, {}};
    document.Root = deck;
  }
  if (active.empty()) {
    document.ActivePath.reset();
  } else {
    document.ActivePath = active;
  }
  return document;
}

using Arm = std::function<void(vexhost::FaultPlan&, int)>;

// Plays the scenario on a fresh session with the faults that `arm` plans, closes the document as
// the host does, and lets `look` see the session; then checks the accounting.
template <class Look>
void Play(const Scenario& scenario, const std::function<void(vexhost::FaultPlan&)>& arm, const std::string& fault,
          Look&& look) {
  vexhost::SessionOptions options{{VEX_RESOURCE_DIR}};
  options.WithLayout = scenario.WithLayout;
  vexhost::Session host(options);
  vexhost::Hands hands(host);
  host.OpenDocument(SweepDocument(scenario.ActivePath));
  arm(host.Faults());
  try {
    scenario.Run(host, hands);
  } catch (const vexhost::Refused&) {
    // The fault left nothing a person could act on.
  }
  host.CancelRunningCommand();  // as the host does when the document closes
  look(host);
  const vexhost::AccountingReport report = host.Accounting();
  EXPECT_TRUE(report.Clean()) << scenario.Name << ", " << fault << ":\n" << report.Text();
}

// Runs the scenario with the nth fault armed; returns whether a fault was met.
bool RunWithFault(const Scenario& scenario, const Arm& arm, int nth) {
  bool met = false;
  const std::string fault = "fault at " + std::to_string(nth);
  Play(
      scenario, [&](vexhost::FaultPlan& plan) { arm(plan, nth); }, fault,
      [&](vexhost::Session& host) {
        if (host.HasDocument() && scenario.ActivePath.size() == 2 && scenario.ActivePath[1] == "Block A") {
          const auto& block = host.DocumentView().Root.Children[0];
          EXPECT_LE(block.Children.size(), 2U) << scenario.Name << ", " << fault;
          if (block.PartNumber != "BA-200") {
            EXPECT_EQ(block.PartNumber, "BA-201") << scenario.Name << ", " << fault;
            EXPECT_EQ(block.Children.size(), 2U) << "a part number was set without a creation, " << fault;
          }
        }
        met = host.Faults().FaultsInjected() > 0;
      });
  return met;
}

// Sweeps n = 1, 2, ... until a run meets no fault; returns the number of fault points.
int Sweep(const Scenario& scenario, const Arm& arm) {
  constexpr int limit = 5000;
  int nth = 1;
  while (nth <= limit && RunWithFault(scenario, arm, nth)) ++nth;
  EXPECT_LE(nth, limit) << scenario.Name << ": the sweep did not end";
  return nth - 1;
}

void SweepAll(const std::string& kind, const Arm& arm) {
  vexhost::Session::LoadModule(ModulePath());
  for (const Scenario& scenario : Scenarios()) {
    const int points = Sweep(scenario, arm);
    std::cout << "[ sweep    ] " << kind << ", " << scenario.Name << ": " << points << " fault points\n";
    EXPECT_GT(points, 0) << scenario.Name << " met no fault at all";
  }
}

Arm RaiseAt(vexhost::ErrorKind kind, vexhost::Persistence persistence) {
  return [=](vexhost::FaultPlan& plan, int nth) { plan.Raise("*", nth, kind, {}, persistence); };
}

}  // namespace

TEST(FaultSweep, EveryFailedAllocationOnce) {
  SweepAll("allocation, once",
           [](vexhost::FaultPlan& plan, int nth) { plan.FailAllocation(nth, vexhost::Persistence::Once); });
}

TEST(FaultSweep, EveryFailedAllocationFromThenOn) {
  SweepAll("allocation, from then on",
           [](vexhost::FaultPlan& plan, int nth) { plan.FailAllocation(nth, vexhost::Persistence::FromThenOn); });
}

TEST(FaultSweep, AVexErrorAtEveryBoundaryCallOnce) {
  SweepAll("VexError, once", RaiseAt(vexhost::ErrorKind::VexError, vexhost::Persistence::Once));
}

TEST(FaultSweep, AVexErrorAtEveryBoundaryCallFromThenOn) {
  SweepAll("VexError, from then on", RaiseAt(vexhost::ErrorKind::VexError, vexhost::Persistence::FromThenOn));
}

TEST(FaultSweep, ASystemErrorAtEveryBoundaryCallOnce) {
  SweepAll("VexSystemError, once", RaiseAt(vexhost::ErrorKind::SystemError, vexhost::Persistence::Once));
}

TEST(FaultSweep, ASystemErrorAtEveryBoundaryCallFromThenOn) {
  SweepAll("VexSystemError, from then on", RaiseAt(vexhost::ErrorKind::SystemError, vexhost::Persistence::FromThenOn));
}

// Outcomes by place: a host error raised at one boundary call of a scenario, and what the module
// must then do, judged from where the call stands in the journal of a run without faults.
namespace {

using Entries = std::deque<vexhost::JournalEntry>;

bool IsModuleCall(const vexhost::JournalEntry& entry) {
  // The host asks for resource files while it works for the module: that is not a new call.
  return entry.Dir == vexhost::HostToModule && entry.Op != "GetResourceFilename";
}

// The index of the host's call into the module that the entry at `index` happens in.
std::size_t Enclosing(const Entries& entries, std::size_t index) {
  for (std::size_t i = index; i-- > 0;) {
    if (IsModuleCall(entries[i])) return i;
  }
  return entries.size();
}

std::size_t NextModuleCall(const Entries& entries, std::size_t index) {
  std::size_t i = index + 1;
  while (i < entries.size() && !IsModuleCall(entries[i])) ++i;
  return i;
}

// Whether the entry at `index`, inside the activation that starts at `activation`, is part of the
// panel's Build: from after the factory's class settings to the OK made insensitive.
bool InsideBuild(const Entries& entries, std::size_t activation, std::size_t index) {
  const std::size_t end = NextModuleCall(entries, activation);
  std::size_t settings = end;
  for (std::size_t i = activation; i < end; ++i) {
    if (entries[i].Op == "GetClassSettings") settings = i;
    if (settings < i && entries[i].Op == "SetOKSensitivity" && entries[i].On == Panel) {
      return settings < index && index <= i;
    }
  }
  return false;
}

std::string Ops(const Entries& entries, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to && i < entries.size(); ++i) text += entries[i].Text() + "; ";
  return text;
}

// An action caught the error raised at `index`: its result, who released the error, and which
// agents it re-armed afterwards.
void CheckActionOutcome(const Entries& clean, const Entries& run, std::size_t index, const vexhost::CaughtError& error,
                        bool vexError, const std::string& where) {
  const std::size_t context = Enclosing(clean, index);
  const std::string transition = clean[context].Args.at(0);
  const std::string& result = run[Enclosing(run, index)].Result;
  const std::string after = Ops(run, index + 1, NextModuleCall(run, index));
  EXPECT_EQ(after.find("InitializeAcquisition(PanelAgent)"), std::string::npos) << where << ": " << after;
  if (transition == "transition 4") {
    // Creation has succeeded once the created object is being released or the agents re-armed.
    // (The other release in the action is the active product's, Block A.)
    const std::string& failed = clean[index].Op;
    const bool created = (failed == "Release" && clean[index].On != "Block A") || failed == "InitializeAcquisition";
    EXPECT_EQ(result, created ? "true" : "false") << where;
    EXPECT_EQ(error.ReleasedByHandler, vexError) << where;
  } else if (transition == "transition 5") {
    EXPECT_EQ(result, "false") << where;
    EXPECT_EQ(error.ReleasedByHandler, vexError) << where;
    EXPECT_NE(after.find("InitializeAcquisition(SelectClassAgent)"), std::string::npos) << where << ": " << after;
  } else {
    EXPECT_EQ(result, "false") << where << ": the close action caught an error";
    EXPECT_FALSE(error.ReleasedByHandler) << where;
  }
}

// Checks what followed the error raised at `index` (the same call in both runs).
void CheckOutcome(const Entries& clean, const Entries& run, std::size_t index, const vexhost::Session& host,
                  vexhost::ErrorKind kind, const std::string& where) {
  ASSERT_EQ(host.Errors().size(), 1U) << where;
  const vexhost::CaughtError& error = host.Errors()[0];
  const std::size_t context = Enclosing(clean, index);
  ASSERT_LT(context, clean.size()) << where;
  const std::string& op = clean[context].Op;
  const std::string& failed = clean[index].Op;
  const std::size_t next = NextModuleCall(run, index);
  const std::string after = Ops(run, index + 1, next);

  // Where the module opens no scope the error leaves it for the host: the construction of the
  // command's base, the class agent's re-arming after the class action's scope, and Activate
  // outside Build, which gives back only its locals.
  const bool classRearming = failed == "InitializeAcquisition" && clean[index].On == "SelectClassAgent";
  if ((op == "Create" && failed == "VexStateCommand") || (op == "RunAction" && classRearming)) {
    EXPECT_TRUE(error.Escaped) << where;
    EXPECT_EQ(error.Where, op) << where;
    return;
  }
  if (op == "Activate" && !InsideBuild(clean, context, index)) {
    EXPECT_TRUE(error.Escaped) << where;
    EXPECT_EQ(error.Where, "Activate") << where;
    for (std::size_t i = index + 1; i < next; ++i) {
      const std::string& cleanUp = run[i].Op;
      EXPECT_TRUE(cleanUp == "~VexIProduct_var" || cleanUp == "~VexPathElement" || cleanUp == "Release")
          << where << ": after the error came " << after;
    }
    return;
  }
  EXPECT_FALSE(error.Escaped) << where << " (in " << op << ")";
  if (op == "Activate") {
    // Build stops at the error; the activation goes on with the class object or with showing.
    ASSERT_LT(index + 1, run.size()) << where;
    const vexhost::JournalEntry& resumed = run[index + 1];
    EXPECT_TRUE(resumed.Op == "SetClassObject" || (resumed.Op == "SetVisibility" && resumed.On == Panel))
        << where << ": after the error came " << after;
  } else if (op == "BuildGraph") {
    EXPECT_NE(after.find("RequestDelayedDestruction(VexStrCreateInterimProdCmd)"), std::string::npos)
        << where << ": an incomplete graph ends the command; after the error came " << after;
  } else if (op == "RunAction") {
    CheckActionOutcome(clean, run, index, error, kind == vexhost::ErrorKind::VexError, where);
  }
}

}  // namespace

TEST(FaultSweep, AnErrorAtEachCallHasTheOutcomeItsPlaceSpecifies) {
  vexhost::Session::LoadModule(ModulePath());
  int checked = 0;
  for (const Scenario& scenario : Scenarios()) {
    Entries clean;
    Play(
        scenario, [](vexhost::FaultPlan&) {}, "no fault",
        [&](vexhost::Session& host) { clean = host.GetJournal().Entries(); });
    std::map<std::pair<std::string, std::string>, int> seen;
    for (std::size_t index = 0; index < clean.size(); ++index) {
      if (clean[index].Dir != vexhost::ModuleToHost) continue;
      const std::string op = clean[index].Op;
      const std::string on = clean[index].On;
      const int nth = ++seen[{op, on}];
      for (auto kind : {vexhost::ErrorKind::VexError, vexhost::ErrorKind::SystemError}) {
        const std::string kindName = kind == vexhost::ErrorKind::VexError ? "VexError" : "VexSystemError";
        const std::string where = scenario.Name + ", error at " + clean[index].Text() + " (" + op + " #" +
                                  std::to_string(nth) + ", " + kindName + ")";
        const auto arm = [&](vexhost::FaultPlan& plan) { plan.Raise(op, nth, kind, on); };
        Play(scenario, arm, where, [&](vexhost::Session& host) {
          if (host.Faults().FaultsInjected() == 0) return;  // not a call the host can fail
          const Entries& run = host.GetJournal().Entries();
          ASSERT_LT(index, run.size()) << where;
          const bool sameCall = run[index].Op == clean[index].Op && run[index].On == clean[index].On &&
                                run[index].Args == clean[index].Args;
          ASSERT_TRUE(sameCall) << where << ": the runs went apart before the error, at " << run[index].Text();
          CheckOutcome(clean, run, index, host, kind, where);
          ++checked;
        });
      }
    }
  }
  std::cout << "[ sweep    ] outcomes checked at " << checked << " fault points\n";
  EXPECT_GT(checked, 1000);
}
