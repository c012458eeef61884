#include "TestSupport.h"

#include <cstdlib>

#include "vex/StateCommand.h"

namespace vextest {

const char* ModulePath() {
  const char* chosen = std::getenv("VEX_MODULE_UNDER_TEST");
  return chosen != nullptr && *chosen != '\0' ? chosen : VEX_MODULE_PATH;
}

vexhost::DocumentData ShipDocument() {
  using vexhost::FactoryData;
  using vexhost::ProductData;
  FactoryData blocks{true, true, "", "Block", "InterimProduct", true, false, {}, true};
  FactoryData refusing{
      true, false, "Block B is released: no interim product can be added", "Block", "InterimProduct", true, false,
      {},   true};
  vexhost::DocumentData document;
  document.Name = "Ship";
  document.Root = ProductData{
      "Hull",
      true,
      "H-100",
      "",
      blocks,
      {ProductData{
           "Block A", true, "BA-200", "", blocks, {ProductData{"Sub-block A1", true, "SA-210", "", blocks, {}}}},
       ProductData{"Block B", true, "BB-300", "", refusing, {}}}};
  document.ClassCatalogue = {"Block", "SubBlock", "Panel", "Assembly"};
  document.ActivePath = std::vector<std::string>{"Hull", "Block A"};
  return document;
}

vexhost::SessionOptions HostTest::DefaultOptions() {
  vexhost::SessionOptions options;
  options.ResourceDirs = {VEX_RESOURCE_DIR};
  options.JournalWindow = 0;  // tests read every entry
  return options;
}

void HostTest::SetUp() {
  vexhost::Session::LoadModule(ModulePath());
  // Whatever an earlier test left behind is that test's failure, not this one's.
  _LiveAtSetUp = vexhost::Session::LiveObjects();
  Reopen(DefaultOptions());
}

void HostTest::Reopen(vexhost::SessionOptions options) {
  if (_Session) CheckAccounting();
  _Hands.reset();
  _Session.reset();
  _Session = std::make_unique<vexhost::Session>(std::move(options));
  _Hands = std::make_unique<vexhost::Hands>(*_Session);
}

void HostTest::DiscardSession() {
  _Hands.reset();
  _Session.reset();
  _Session = std::make_unique<vexhost::Session>(DefaultOptions());
  _Hands = std::make_unique<vexhost::Hands>(*_Session);
}

void HostTest::CheckAccounting() {
  const vexhost::AccountingReport report = _Session->Accounting();
  EXPECT_TRUE(report.Clean()) << report.Text();
}

void HostTest::TearDown() {
  CheckAccounting();
  _Hands.reset();
  _Session.reset();
  EXPECT_EQ(vexhost::Session::LiveObjects(), _LiveAtSetUp) << "host objects outlived their session";
}

VexStateCommand* HostTest::StartOn(const vexhost::DocumentData& document) {
  _Session->OpenDocument(document);
  return _Session->StartCommand(CommandName);
}

VexStateCommand* HostTest::Start() { return StartOn(ShipDocument()); }

int HostTest::AllocationOf(const std::string& op, const std::string& on, int later) {
  Start();
  int allocations = 0;
  int found = 0;
  for (const auto& entry : Journal().Entries()) {
    if (entry.Op == "Allocate") ++allocations;
    if (entry.Op == op && (on.empty() || entry.On == on)) {
      found = allocations + later;
      break;
    }
  }
  Host().CancelRunningCommand();
  Reopen(DefaultOptions());
  return found;
}

vexhost::WidgetView HostTest::See(const std::string& dialog) {
  VexDialog* found = _Session->FindDialog(dialog);
  if (found == nullptr) {
    ADD_FAILURE() << "no dialog named " << dialog << " is open";
    return {};
  }
  return vexhost::Snapshot(*found);
}

bool HostTest::Shown(const std::string& dialog) {
  VexDialog* found = _Session->FindDialog(dialog);
  return found != nullptr && vexhost::Snapshot(*found).Visible;
}

vexhost::ProductData HostTest::ProductAt(const std::string& path) {
  const std::vector<std::string> names = vexhost::SplitPath(path);
  const vexhost::ProductData* current = &_Session->DocumentView().Root;
  for (std::size_t i = 1; i < names.size(); ++i) {
    const vexhost::ProductData* next = nullptr;
    for (const auto& child : current->Children) {
      if (child.Name == names[i]) next = &child;
    }
    if (next == nullptr) {
      ADD_FAILURE() << "no product at " << path;
      return {};
    }
    current = next;
  }
  return *current;
}

std::vector<std::string> HostTest::Calls(std::initializer_list<std::string_view> ops, std::size_t from) {
  std::vector<std::string> lines;
  const auto& entries = Journal().Entries();
  for (std::size_t i = from; i < entries.size(); ++i) {
    for (auto op : ops) {
      if (entries[i].Op == op) lines.push_back(entries[i].Text());
    }
  }
  return lines;
}

std::vector<std::string> HostTest::Since(std::size_t from) {
  std::vector<std::string> lines;
  const auto& entries = Journal().Entries();
  for (std::size_t i = from; i < entries.size(); ++i) lines.push_back(entries[i].Text());
  return lines;
}

}  // namespace vextest
