// The fixture every test runs in: a fresh host session with the module loaded, and the
// accounting checked when the test ends.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vex/Dialogs.h"
#include "vex/StateCommand.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"
#include "vexhost/Snapshot.h"

namespace vextest {

inline constexpr const char* CommandName = "VexStrCreateInterimProdCmd";
inline constexpr const char* Panel = "InterimProductPanel";
inline constexpr const char* ErrorBox = "VexStrErrorBox";
inline constexpr const char* ClassFrame = "frmClass";
inline constexpr const char* PartNumberEditor = "editorpartnumber";

// The module the tests load: the one this build made, or the library that the environment
// variable VEX_MODULE_UNDER_TEST names (scripts/mutate runs the suite against planted faults so).
const char* ModulePath();

// A small ship: Hull > Block A > Sub-block A1, Hull > Block B (refuses), with the class
// catalogue Block, SubBlock, Panel, Assembly; Block A is active.
vexhost::DocumentData ShipDocument();

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the ship (or `document`) and starts the command.
  VexStateCommand* StartOn(const vexhost::DocumentData& document);
  VexStateCommand* Start();

  vexhost::Session& Host() { return *_Session; }
  vexhost::Journal& Journal() { return _Session->GetJournal(); }
  vexhost::FaultPlan& Faults() { return _Session->Faults(); }
  vexhost::Hands& Hands() { return *_Hands; }
  bool Running() const { return _Session->RunningCommand() != nullptr; }

  // What a person sees of an open dialog; fails the test when it is not open.
  vexhost::WidgetView See(const std::string& dialog);
  bool Shown(const std::string& dialog);
  // The product at a path ("Hull/Block A") as the document now holds it.
  vexhost::ProductData ProductAt(const std::string& path);
  // Journal entries from `from` on, with these operations, as text.
  std::vector<std::string> Calls(std::initializer_list<std::string_view> ops, std::size_t from = 0);
  // Every journal entry from `from` on, as text.
  std::vector<std::string> Since(std::size_t from);

  // The number of the host allocation that makes what the journal records as `op` on `on` (any
  // receiver when empty), found by a dry run of the command in a session of its own; the session
  // is then replaced. `later`: count that many allocations past the call, for an object the host
  // allocates after journaling the call that makes it (a graph state).
  int AllocationOf(const std::string& op, const std::string& on = {}, int later = 0);

  // Replaces the session, e.g. to start without resources or without a layout.
  void Reopen(vexhost::SessionOptions options);
  // Replaces the session without checking it: for tests that break the accounting on purpose.
  void DiscardSession();
  static vexhost::SessionOptions DefaultOptions();

 private:
  void CheckAccounting();
  std::unique_ptr<vexhost::Session> _Session;
  std::unique_ptr<vexhost::Hands> _Hands;
  int _LiveAtSetUp = 0;
};

}  // namespace vextest
