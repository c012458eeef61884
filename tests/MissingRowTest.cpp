// A row of the state graph that the host cannot make: its condition, its action or its transition
// comes back null. The window whose way out that row was must not be left shown with the command
// waiting: the command ends, as for a graph stopped part-way, and nothing is left on screen.
#include <algorithm>
#include <array>

#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;

namespace {

enum class Piece { Condition, Action, Transition };

constexpr std::array<Piece, 3> Pieces{Piece::Condition, Piece::Action, Piece::Transition};

std::string NameOf(Piece piece) {
  switch (piece) {
    case Piece::Condition:
      return "condition";
    case Piece::Action:
      return "action";
    case Piece::Transition:
      break;
  }
  return "transition";
}

class MissingRow : public HostTest {
 protected:
  static vexhost::DocumentData Refusing() {
    vexhost::DocumentData document = ShipDocument();
    document.ActivePath = std::vector<std::string>{"Hull", "Block B"};
    return document;
  }

  // The host allocation that makes `piece` of the row whose condition is made with `argument`
  // (the notification it tests, or the agent it asks), found by a dry run of the command.
  int AllocationFor(const std::string& argument, Piece piece) {
    Start();
    const auto& entries = Journal().Entries();
    std::size_t i = 0;
    auto isCondition = [&](const vexhost::JournalEntry& entry) {
      const bool condition = entry.Op == "IsLastModifiedAgentCondition" || entry.Op == "IsOutputSetCondition";
      return condition && std::find(entry.Args.begin(), entry.Args.end(), argument) != entry.Args.end();
    };
    while (i < entries.size() && !isCondition(entries[i])) ++i;
    const char* made = piece == Piece::Condition ? nullptr : piece == Piece::Action ? "Action" : "AddTransition";
    while (made != nullptr && i < entries.size() && entries[i].Op != made) ++i;
    int allocations = 0;
    for (std::size_t j = 0; j <= i && j < entries.size(); ++j) allocations += entries[j].Op == "Allocate" ? 1 : 0;
    EXPECT_LT(i, entries.size()) << "no row made with " << argument;
    Host().CancelRunningCommand();
    Reopen(DefaultOptions());
    return allocations + 1;  // the host allocates right after it journals the call
  }

  // Starts with `piece` of the row made with `argument` failing; the command must end at once and
  // leave no window a person could see.
  void StartWithout(const std::string& argument, Piece piece, const vexhost::DocumentData& document) {
    // Found first: the dry run replaces the session, and with it the fault plan.
    const int allocation = AllocationFor(argument, piece);
    Faults().FailAllocation(allocation);
    EXPECT_EQ(StartOn(document), nullptr) << "the host destroyed the command that asked to end";
    EXPECT_EQ(Host().Faults().FaultsInjected(), 1);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Host().CommandsEnded(), 1);
    EXPECT_EQ(Journal().Count("RequestDelayedDestruction", CommandName), 1);
    EXPECT_EQ(Host().FindDialog(Panel), nullptr) << "no panel is left on screen";
    EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr) << "no error box is left on screen";
  }

  // Every transition the graph holds was added with its condition and its action.
  void ExpectNoTransitionWithAMissingPiece() {
    for (const auto& entry : Journal().Entries()) {
      if (entry.Op != "AddTransition") continue;
      ASSERT_EQ(entry.Args.size(), 4U);
      EXPECT_NE(entry.Args[2], "null") << entry.Text();
      EXPECT_NE(entry.Args[3], "null") << entry.Text();
    }
  }
};

}  // namespace

TEST_F(MissingRow, ARefusalWhoseOKCouldNotEndTheCommandIsNotLeftShown) {
  for (Piece piece : Pieces) {
    SCOPED_TRACE(NameOf(piece));
    StartWithout("VexStrErrorBox.OK", piece, Refusing());
    EXPECT_THROW(Hands().Acknowledge(ErrorBox), vexhost::Refused) << "no box waits for an OK that does nothing";
    ExpectNoTransitionWithAMissingPiece();
    // The next start has its whole graph: the refusal is shown and its OK ends the command.
    ASSERT_NE(Host().StartCommand(CommandName), nullptr);
    EXPECT_TRUE(Shown(ErrorBox));
    Hands().Acknowledge(ErrorBox);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Host().FindDialog(ErrorBox), nullptr);
    Reopen(DefaultOptions());
  }
}

TEST_F(MissingRow, APanelWhoseCancelCouldNotEndTheCommandIsNotLeftShown) {
  for (Piece piece : Pieces) {
    SCOPED_TRACE(NameOf(piece));
    StartWithout("InterimProductPanel.Cancel", piece, ShipDocument());
    EXPECT_THROW(Hands().PressCancel(Panel), vexhost::Refused);
    ExpectNoTransitionWithAMissingPiece();
    ASSERT_NE(Host().StartCommand(CommandName), nullptr);
    Hands().PressCancel(Panel);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Host().FindDialog(Panel), nullptr);
    Reopen(DefaultOptions());
  }
}

TEST_F(MissingRow, APanelWhoseCloseBoxCouldNotEndTheCommandIsNotLeftShown) {
  for (Piece piece : Pieces) {
    SCOPED_TRACE(NameOf(piece));
    StartWithout("InterimProductPanel.WindowClose", piece, ShipDocument());
    EXPECT_THROW(Hands().CloseWindow(Panel), vexhost::Refused);
    ExpectNoTransitionWithAMissingPiece();
    ASSERT_NE(Host().StartCommand(CommandName), nullptr);
    Hands().CloseWindow(Panel);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Host().FindDialog(Panel), nullptr);
    Reopen(DefaultOptions());
  }
}

// Without OK's row, OK would take the panel agent's one notification and fire nothing, and Cancel
// and the close box would then find the agent taken: the whole panel would be dead.
TEST_F(MissingRow, APanelWhoseOKCouldNotCreateIsNotLeftShown) {
  for (Piece piece : Pieces) {
    SCOPED_TRACE(NameOf(piece));
    StartWithout("InterimProductPanel.OK", piece, ShipDocument());
    EXPECT_EQ(ProductAt("Hull/Block A").Children.size(), 1U) << "nothing was created";
    ExpectNoTransitionWithAMissingPiece();
    Reopen(DefaultOptions());
  }
}

// A graph without the class choice's row is not whole either: OK could never be made sensitive.
TEST_F(MissingRow, AGraphWithoutTheClassChoiceEndsTheCommandToo) {
  for (Piece piece : Pieces) {
    SCOPED_TRACE(NameOf(piece));
    StartWithout("SelectClassAgent", piece, ShipDocument());
    ExpectNoTransitionWithAMissingPiece();
    Reopen(DefaultOptions());
  }
}

TEST_F(MissingRow, TheOtherRowsAreStillAddedInTheirOrderAndAMissingConditionGetsNoAction) {
  const int allocation = AllocationFor("InterimProductPanel.Cancel", Piece::Condition);
  Faults().FailAllocation(allocation);
  EXPECT_EQ(Start(), nullptr);
  const std::string row = "AddTransition(VexStrCreateInterimProdCmd; SelIntermProductType, ";
  EXPECT_THAT(Calls({"AddTransition"}),
              ElementsAre(row + "null, LastModifiedAgent(ErrorBox, VexStrErrorBox.OK), action)",
                          row + "null, LastModifiedAgent(PanelAgent, InterimProductPanel.WindowClose), action)",
                          row + "null, LastModifiedAgent(PanelAgent, InterimProductPanel.OK), action)",
                          row + "SelIntermProductType, OutputSet(SelectClassAgent), action)"));
  EXPECT_EQ(Journal().Count("Action"), 4) << "no action is made for a row without its condition";
}
