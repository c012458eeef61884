// One fault, one finding: what a root cause keeps of a finding and what it lets go, and the book
// that groups findings by it.
#include <gtest/gtest.h>

#include "drive/DefaultDocument.h"
#include "validator/case/FaultedWayOut.h"
#include "validator/findings/FindingBook.h"
#include "validator/findings/RootCause.h"

using namespace vexvalidator;

namespace {

const std::set<std::string> ShipNames = HostObjectNames(vexdrive::DefaultDocument());

std::string Root(const std::string& kind, const std::string& message) { return RootCause({kind, message}, ShipNames); }

}  // namespace

TEST(RootCause, TheDocumentsProductsAndTheirFactoriesAreOneObject) {
  EXPECT_EQ(ShipNames.count("Hull"), 1U);
  EXPECT_EQ(ShipNames.count("Block A.factory"), 1U);
  EXPECT_EQ(Root(kind::OverRelease, "Release on 'Block A' (module->host): its last reference was already released"),
            Root(kind::OverRelease, "Release on 'Hull' (module->host): its last reference was already released"));
  EXPECT_EQ(Root(kind::DeadObject, "QueryInterface on 'Block A.factory' (module->host): it was already destroyed"),
            Root(kind::DeadObject, "QueryInterface on 'SubBlock B1.factory' (module->host): it was already destroyed"));
  EXPECT_NE(Root(kind::DeadObject, "QueryInterface on 'Hull' (module->host): it was already destroyed"),
            Root(kind::DeadObject, "QueryInterface on 'Hull.factory' (module->host): it was already destroyed"))
      << "a product and its factory are different objects";
  // The operation and what happened still tell faults apart.
  EXPECT_NE(Root(kind::DeadObject, "SetTitle on 'Panel' (module->host): it was already destroyed"),
            Root(kind::DeadObject, "SetVisibility on 'Panel' (module->host): it was already destroyed"));
}

TEST(RootCause, AnUnbalancedReferenceCountsByClassAndDirectionNotByItsCounts) {
  const std::string more = Root(kind::UnbalancedReference, "vexhost::Product 'Block A' holds 3 references, expected 2");
  EXPECT_EQ(more, Root(kind::UnbalancedReference, "vexhost::Product 'Hull' holds 2 references, expected 1"));
  EXPECT_NE(more, Root(kind::UnbalancedReference, "vexhost::Product 'Hull' holds 1 references, expected 2"));
  EXPECT_NE(more, Root(kind::UnbalancedReference, "vexhost::Factory 'Hull.factory' holds 2 references, expected 1"));
}

TEST(RootCause, NumbersInANameAreAnyNumberAndOtherNamesStayApart) {
  EXPECT_EQ(Root(kind::Leak, "left alive after the command ended: VexDlgLabel 'Note 12'"),
            Root(kind::Leak, "left alive after the command ended: VexDlgLabel 'Note 3'"));
  EXPECT_NE(Root(kind::Leak, "left alive after the command ended: VexDlgLabel 'Note'"),
            Root(kind::Leak, "left alive after the command ended: VexDlgLabel 'Hint'"));
}

TEST(RootCause, AFileCreatedAndTheSameFileWrittenAgainAreOneReach) {
  EXPECT_EQ(Root(kind::Reach, "creates /tmp/notes.txt"), Root(kind::Reach, "opens /tmp/notes.txt for writing"));
  EXPECT_EQ(Root(kind::Reach, "at load: creates /tmp/a"), Root(kind::Reach, "at load: opens /tmp/a for writing"));
  EXPECT_NE(Root(kind::Reach, "creates /tmp/a"), Root(kind::Reach, "creates /tmp/b"));
  EXPECT_NE(Root(kind::Reach, "opens a socket"), Root(kind::Reach, "creates a socket"));
  EXPECT_NE(Root(kind::Reach, "at load: creates /tmp/a"), Root(kind::Reach, "creates /tmp/a"));
}

TEST(RootCause, ACrashIsItsSignalAndTheVerbAndAddressOfItsLine) {
  const std::string typed =
      Root(kind::Crash, "signal SIGSEGV (Segmentation fault) during `type Panel/editor \"Part 7-A\"`");
  EXPECT_EQ(typed, Root(kind::Crash, "signal SIGSEGV (Segmentation fault) during `type Panel/editor \"\"`"));
  EXPECT_NE(typed, Root(kind::Crash, "signal SIGSEGV (Segmentation fault) during `type Panel/code \"\"`"));
  EXPECT_NE(typed, Root(kind::Crash, "signal SIGABRT (Aborted) during `type Panel/editor \"\"`"));
  EXPECT_EQ(Root(kind::Hang, "no answer within 500 ms during `active Hull/Block A`"),
            Root(kind::Hang, "no answer within 500 ms during `active Hull`"));
  EXPECT_EQ(
      Root(kind::Crash, "signal SIGSEGV (Segmentation fault) at the end of the run, as the host closed the document"),
      "crash: signal SIGSEGV (Segmentation fault) at the end of the run, as the host closed the document");
}

TEST(FindingBook, FindingsOfOneRootCauseAreOneGroupThatCountsItsMessages) {
  Outcome outcome;
  FindingBook book(outcome, ShipNames);
  const std::size_t test = book.AddTest("Cmd.exploration", "paths");
  const Case onHull{Phase::Exploration, "Cmd", "path", {"active Hull", "start Cmd"}, 0};
  const Case onBlock{Phase::Exploration, "Cmd", "path", {"start Cmd"}, 0};
  book.Record(onHull, {{kind::UnbalancedReference, "vexhost::Product 'Hull' holds 2 references, expected 1"}}, test, -1,
              0.5);
  book.Record(onBlock, {{kind::UnbalancedReference, "vexhost::Product 'Block A' holds 3 references, expected 2"}}, test,
              -1, 0.25);
  book.Record(onBlock, {{kind::UnbalancedReference, "vexhost::Product 'Block A' holds 3 references, expected 2"}},
              test);
  book.Close();
  ASSERT_EQ(outcome.Findings.size(), 1U);
  const FindingGroup& group = outcome.Findings[0];
  EXPECT_EQ(group.Count, 3);
  EXPECT_EQ(group.First.Where.Lines, onBlock.Lines) << "shown by its simplest case";
  EXPECT_EQ(group.What.Message, "vexhost::Product 'Block A' holds 3 references, expected 2");
  EXPECT_EQ(group.Variants.size(), 2U);
  EXPECT_EQ(group.Variants.at("vexhost::Product 'Block A' holds 3 references, expected 2"), 2);
  EXPECT_DOUBLE_EQ(group.Seconds, 0.75);
}

TEST(FindingBook, AFindingOfOneStepIsShownUpToThatStepAndItsExpectation) {
  Outcome outcome;
  FindingBook book(outcome);
  const std::size_t test = book.AddTest("Cmd.exploration", "path");
  const Case path{Phase::Exploration, "Cmd", "path", {"start Cmd", "press P/OK", "press P/OK", "press P/Cancel"}, 0};
  book.Record(path, {{kind::DeadButton, "OK of 'P' does nothing when pressed", 2, "expect answered"}}, test);
  book.AddPhase("Cmd", Phase::Exploration, 1, 0.5);
  book.AddPhase("", Phase::Load, 1, 0.25);
  book.Close();
  ASSERT_EQ(outcome.Findings.size(), 1U);
  EXPECT_EQ(outcome.Findings[0].First.Where.Lines,
            (std::vector<std::string>{"start Cmd", "press P/OK", "press P/OK", "expect answered"}));
  EXPECT_EQ(outcome.Findings[0].First.Step, 2);
  EXPECT_EQ(outcome.Phases.at("Cmd.exploration").Cases, 1);
  EXPECT_DOUBLE_EQ(outcome.Phases.at("load").Seconds, 0.25);
}

TEST(RootCause, AWayOutAFaultLeftDeadIsOneFaultAtEveryPointButNotForAnotherButtonOrFamily) {
  auto dead = [](const std::string& button, const std::string& family, int point) {
    return DeadAfterFault(family, point, button, 2);
  };
  const std::string cancel = RootCause(dead("press P/Cancel", "allocation, once", 3), ShipNames);
  EXPECT_EQ(cancel, RootCause(dead("press P/Cancel", "allocation, once", 14), ShipNames));
  EXPECT_NE(cancel, RootCause(dead("close P", "allocation, once", 3), ShipNames));
  EXPECT_NE(cancel, RootCause(dead("press P/Cancel", "VexError, once", 3), ShipNames));
}
