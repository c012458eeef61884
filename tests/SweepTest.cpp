// Fault sweeps: for every scenario, fail the nth host allocation, or raise a host error at the nth
// boundary call, for n = 1, 2, ... until a run meets no fault; once and from then on. Every run
// must end without a crash, with nothing alive and nothing released twice, and with an outcome
// the command can give (nothing set on a product unless an interim product was created).
#include <functional>
#include <iostream>

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

// Runs the scenario with the nth fault armed; returns whether a fault was met.
bool RunWithFault(const Scenario& scenario, const Arm& arm, int nth) {
  vexhost::SessionOptions options{{VEX_RESOURCE_DIR}};
  options.WithLayout = scenario.WithLayout;
  vexhost::Session host(options);
  vexhost::Hands hands(host);
  host.OpenDocument(SweepDocument(scenario.ActivePath));
  arm(host.Faults(), nth);
  try {
    scenario.Run(host, hands);
  } catch (const vexhost::Refused&) {
    // The fault left nothing a person could act on.
  }
  host.CancelRunningCommand();  // as the host does when the document closes
  const vexhost::AccountingReport report = host.Accounting();
  EXPECT_TRUE(report.Clean()) << scenario.Name << ", fault at " << nth << ":\n" << report.Text();
  if (host.HasDocument() && scenario.ActivePath.size() == 2 && scenario.ActivePath[1] == "Block A") {
    const auto& block = host.DocumentView().Root.Children[0];
    EXPECT_LE(block.Children.size(), 2U) << scenario.Name << ", fault at " << nth;
    if (block.PartNumber != "BA-200") {
      EXPECT_EQ(block.PartNumber, "BA-201") << scenario.Name << ", fault at " << nth;
      EXPECT_EQ(block.Children.size(), 2U) << "a part number was set without a creation, fault at " << nth;
    }
  }
  return host.Faults().FaultsInjected() > 0;
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
