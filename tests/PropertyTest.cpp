// Random use: seeded sequences of user actions and host events, sensible or not, must never end a
// command twice, hold more than one factory, over-release, or leave anything alive.
#include <rapidcheck.h>

#include <iostream>

#include "TestSupport.h"

using namespace vextest;

namespace {

enum Step {
  StartCommand,
  ChooseBlock,
  ChooseEmpty,
  ChooseUnknown,
  ChooseFromBrowser,
  TypePartNumber,
  TypeNothing,
  PressOK,
  PressCancel,
  CloseBox,
  AcknowledgeError,
  ActivateAgain,
  ActivateBlockA,
  ActivateBlockB,
  ActivateSubBlock,
  RemoveEditor,
  StepCount
};

const char* const StepNames[] = {"start",
                                 "class Block",
                                 "class (empty)",
                                 "class Hatch",
                                 "browse SubBlock",
                                 "type PN-1",
                                 "type (empty)",
                                 "ok",
                                 "cancel",
                                 "close",
                                 "ack",
                                 "activate again",
                                 "active Block A",
                                 "active Block B",
                                 "active Sub-block A1",
                                 "no editor"};

// How rapidcheck prints a step of a failing sequence.
void showValue(Step step, std::ostream& out) { out << StepNames[step]; }

std::size_t StepsRun = 0;

void Perform(vexhost::Session& host, vexhost::Hands& hands, Step step) {
  switch (step) {
    case StartCommand:
      host.StartCommand(CommandName);
      break;
    case ChooseBlock:
      hands.ChooseClass(Panel, ClassFrame, "Block");
      break;
    case ChooseEmpty:
      hands.ChooseClass(Panel, ClassFrame, "");
      break;
    case ChooseUnknown:
      hands.ChooseClass(Panel, ClassFrame, "Hatch");
      break;
    case ChooseFromBrowser:
      hands.ChooseInBrowser(Panel, ClassFrame, "SubBlock");
      break;
    case TypePartNumber:
      hands.Type(Panel, PartNumberEditor, "PN-1");
      break;
    case TypeNothing:
      hands.Type(Panel, PartNumberEditor, "");
      break;
    case PressOK:
      hands.PressOK(Panel);
      break;
    case PressCancel:
      hands.PressCancel(Panel);
      break;
    case CloseBox:
      hands.CloseWindow(Panel);
      break;
    case AcknowledgeError:
      hands.Acknowledge(ErrorBox);
      break;
    case ActivateAgain:
      if (VexStateCommand* command = host.RunningCommand()) command->Activate(nullptr, nullptr);
      break;
    case ActivateBlockA:
      host.SetActivePath({"Hull", "Block A"});
      break;
    case ActivateBlockB:
      host.SetActivePath({"Hull", "Block B"});
      break;
    case ActivateSubBlock:
      host.SetActivePath({"Hull", "Block A", "Sub-block A1"});
      break;
    case RemoveEditor:
      host.RemoveEditor();
      break;
    case StepCount:
      break;
  }
}

int LiveFactories(const vexhost::AccountingReport& report) {
  int factories = 0;
  for (const auto& line : report.Live) factories += line.find(".factory'") != std::string::npos ? 1 : 0;
  return factories;
}

}  // namespace

TEST(RandomUse, NoSequenceOfActionsEndsTwiceLeaksOrOverReleases) {
  vexhost::Session::LoadModule(ModulePath());
  const bool passed = rc::check("random user actions keep the command and the accounting sound", [] {
    const auto steps =
        *rc::gen::container<std::vector<Step>>(rc::gen::cast<Step>(rc::gen::inRange(0, static_cast<int>(StepCount))));
    vexhost::Session host(vexhost::SessionOptions{{VEX_RESOURCE_DIR}});
    vexhost::Hands hands(host);
    host.OpenDocument(ShipDocument());
    int starts = 0;
    for (Step step : steps) {
      ++StepsRun;
      const int endedBefore = host.CommandsEnded();
      starts += step == StartCommand ? 1 : 0;
      try {
        Perform(host, hands, step);
      } catch (const vexhost::Refused&) {
        // A person could not have done it; nothing happened.
      }
      const vexhost::AccountingReport report = host.Accounting();
      RC_ASSERT(host.CommandsEnded() - endedBefore <= 1);
      RC_ASSERT(host.CommandsEnded() <= starts);
      RC_ASSERT(LiveFactories(report) <= 1);
      RC_ASSERT(report.OverReleases.empty());
      RC_ASSERT(report.Unbalanced.empty() || host.RunningCommand() != nullptr);
      if (host.RunningCommand() == nullptr) RC_ASSERT(report.Live.empty());
    }
    host.CancelRunningCommand();
    const vexhost::AccountingReport report = host.Accounting();
    RC_ASSERT(report.Clean());
  });
  EXPECT_TRUE(passed);
  // The number of sequences is set with RC_PARAMS (e.g. max_success=2000), as CI does.
  std::cout << "[ random   ] " << StepsRun << " steps run\n";
}
