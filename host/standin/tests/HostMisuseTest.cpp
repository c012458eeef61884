// What the host tolerates and records: misuses it carries out as well as it can (or refuses) and
// lists in the accounting, so that `vexhost --check` and the validator name them. A probe command
// that lives only in these tests plays the faulty module; a small module misuses the host at load.
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

#include "vex/Application.h"
#include "vex/Dialogs.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

class MisuseProbe;

// What the probe does; each test sets the steps it needs.
struct Steps {
  std::function<void(MisuseProbe&)> OnBuild;  // after the graph is built
  std::function<void(MisuseProbe&)> OnActivate;
  std::function<void(MisuseProbe&)> OnOK;
};
Steps Plan;

// A state command with one dialog ("MisuseBox") whose OK loops back to the state and whose Cancel
// ends the command.
class MisuseProbe : public VexStateCommand {
 public:
  MisuseProbe() : VexStateCommand(0) {
    Box = new VexDlgDialog(nullptr, "MisuseBox", 0);
    Box->SetVisibility(VexDlgShow);
  }
  ~MisuseProbe() override {
    Box->RequestDelayedDestruction();
    Agent->RequestDelayedDestruction();
  }
  void BuildGraph() override {
    Agent = new VexPanelAcquisition("MisuseAgent", Box);
    Agent->AcceptOnEvent(Box->GetDiaOKNotification(), nullptr);
    Agent->AcceptOnEvent(Box->GetDiaCANCELNotification(), nullptr);
    State = GetInitialState("Waiting");
    State->AddDialogAgent(Agent);
    AddTransition(State, State, IsLastModifiedAgentCondition(Agent, Box->GetDiaOKNotification()),
                  Action(static_cast<VexActionMethod>(&MisuseProbe::OK)));
    AddTransition(State, nullptr, IsLastModifiedAgentCondition(Agent, Box->GetDiaCANCELNotification()), nullptr);
    if (Plan.OnBuild) Plan.OnBuild(*this);
  }
  VexStatusChangeRC Activate(VexCommand*, VexNotification*) override {
    if (Plan.OnActivate) Plan.OnActivate(*this);
    return 0;
  }
  VexBoolean OK(void*) {
    if (Plan.OnOK) Plan.OnOK(*this);
    Agent->InitializeAcquisition();
    return 1;
  }

  VexDlgDialog* Box = nullptr;
  VexPanelAcquisition* Agent = nullptr;
  VexDialogState* State = nullptr;
};

VexBaseUnknown* CreateProbe() { return new MisuseProbe(); }
VexFillDictionary ProbeEntry("MisuseProbe", &CreateProbe);
// A second name whose factory makes the probe: a command of another class than the name's.
VexFillDictionary SiblingEntry("MisuseSibling", &CreateProbe);

class HostMisuse : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Plan = Steps();
    Host().OpenDocument(ShipDocument());
  }
  void TearDown() override {
    Plan = Steps();
    HostTest::TearDown();
  }
  void StartProbe() { ASSERT_NE(Host().StartCommand("MisuseProbe"), nullptr); }
  // The misuse is the point of these tests: check what was recorded, then start afresh.
  vexhost::AccountingReport EndAndAccount() {
    Host().CancelRunningCommand();
    vexhost::AccountingReport report = Host().Accounting();
    DiscardSession();
    return report;
  }
};

}  // namespace

TEST_F(HostMisuse, ASecondDelayedDestructionOfOneObjectIsRecordedAndTheObjectIsDestroyedOnce) {
  Plan.OnOK = [](MisuseProbe&) {
    auto* note = new VexDlgDialog(nullptr, "Twice", 0);
    note->RequestDelayedDestruction();
    note->RequestDelayedDestruction();
  };
  StartProbe();
  Hands().PressOK("MisuseBox");
  EXPECT_EQ(Journal().Count("Destroy", "Twice"), 1);
  const auto report = EndAndAccount();
  EXPECT_THAT(report.Misuses, ElementsAre("RequestDelayedDestruction on 'Twice' (module->host): asked a second time "
                                          "before the object was destroyed"));
  EXPECT_THAT(report.Live, IsEmpty());
  EXPECT_THAT(report.OverReleases, IsEmpty());
  EXPECT_FALSE(report.Clean());
}

TEST_F(HostMisuse, ATextThatIsNotUtf8IsKeptAsItIsAndRecordedWhereItReachedTheHost) {
  struct Sample {
    const char* Text;
    bool Utf8;
  };
  static const std::vector<Sample> samples{
      {"plain", true},
      {"\xC3\x9C"
       "berbau \xE8\x88\xB9 \xF0\x9F\x9A\xA2",
       true},                       // two, three and four bytes
      {"caf\xE9", false},           // Latin-1
      {"\xC3\x28", false},          // a lead byte without its continuation
      {"\xE8\x88", false},          // cut short
      {"\xC0\xAF", false},          // an overlong form
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\x80", false},              // a stray continuation byte
  };
  Plan.OnActivate = [](MisuseProbe& probe) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
      auto* label = new VexDlgLabel(probe.Box, ("Label" + std::to_string(i)).c_str(), 0);
      label->SetTitle(samples[i].Text);
    }
    auto* editor = new VexDlgEditor(probe.Box, "Notes", 0);
    editor->SetLine("caf\xE9", -1);
  };
  StartProbe();
  const vexhost::WidgetView box = See("MisuseBox");
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::string label = "Label" + std::to_string(i);
    EXPECT_EQ(box.Find(label)->Title, samples[i].Text) << "kept byte for byte";
    if (!samples[i].Utf8) expected.push_back("SetTitle on '" + label + "' (module->host): the text is not UTF-8");
  }
  expected.push_back("SetLine on 'Notes' (module->host): the text is not UTF-8");
  EXPECT_EQ(EndAndAccount().Misuses, expected);
}

TEST_F(HostMisuse, ATextThatIsNotUtf8IsRecordedByTheProductModelToo) {
  Plan.OnOK = [](MisuseProbe&) {
    VexPathElement path(VexFrmEditor::GetCurrentEditor()->GetActivePath());
    VexBaseUnknown* product = path.SearchObject(VexIProduct::ClassName());
    void* factory = nullptr;
    product->QueryInterface(IID_VexIStrInterimProductFactory, &factory);
    VexIProduct_var handle;
    handle = product;
    handle->SetPartNumber("BA-\xFF");
    VexUnicodeString className("Blo\xE3k");
    VexBaseUnknown* created = nullptr;
    static_cast<VexIStrInterimProductFactory*>(factory)->CreateInterimProduct(className, nullptr, &created);
    static_cast<VexBaseUnknown*>(factory)->Release();
    product->Release();
  };
  StartProbe();
  Hands().PressOK("MisuseBox");
  EXPECT_EQ(ProductAt("Hull/Block A").PartNumber, "BA-\xFF");
  EXPECT_THAT(EndAndAccount().Misuses,
              ElementsAre("SetPartNumber on 'Block A' (module->host): the text is not UTF-8",
                          "CreateInterimProduct on 'Block A.factory' (module->host): the text is not UTF-8"));
}

TEST_F(HostMisuse, ReleasingABorrowedHostObjectIsRefusedAsAnOverReleaseAndTheObjectStaysUsable) {
  Plan.OnActivate = [](MisuseProbe&) {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    editor->Release();  // borrowed: the module holds no reference to it
    VexDlgWindow* main = VexFrmLayout::GetCurrentLayout()->GetMainWindow();
    main->Release();
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* product = path.SearchObject(VexIProduct::ClassName());
    EXPECT_NE(product, nullptr) << "the editor still answers";
    if (product != nullptr) product->Release();
  };
  StartProbe();
  EXPECT_NE(Host().MainWindow(), nullptr);
  const auto report = EndAndAccount();
  EXPECT_THAT(report.OverReleases,
              ElementsAre("Release on 'Editor' (module->host): a host-owned object the module holds no reference to",
                          "Release on 'MainWindow' (module->host): a host-owned object the module holds no "
                          "reference to"));
  EXPECT_THAT(report.Violations, IsEmpty()) << "nothing was called after it died: nothing died";
  EXPECT_THAT(report.Unbalanced, IsEmpty());
}

TEST_F(HostMisuse, AHandlerMayReleaseACaughtVexErrorButAnErrorOfAnotherKindIsTheHosts) {
  Faults().Raise("SetTitle", 1, vexhost::ErrorKind::VexError, "Raiser");
  // Counted by the rules the first did not fire: the second call is this rule's first.
  Faults().Raise("SetTitle", 1, vexhost::ErrorKind::SystemError, "Raiser");
  Plan.OnActivate = [](MisuseProbe& probe) {
    auto* raiser = new VexDlgLabel(probe.Box, "Raiser", 0);
    for (int i = 0; i < 2; ++i) {
      VexXHContext::Guard([&] { raiser->SetTitle("x"); }, [](VexBaseUnknown* error) { error->Release(); });
    }
  };
  StartProbe();
  ASSERT_EQ(Host().Errors().size(), 2U);
  EXPECT_EQ(Host().Errors()[0].Kind, "VexError");
  EXPECT_EQ(Host().Errors()[1].Kind, "VexSystemError");
  const auto report = EndAndAccount();
  EXPECT_THAT(
      report.OverReleases,
      ElementsAre("Release on 'VexSystemError' (module->host): a caught VexSystemError is the host's to release"));
  EXPECT_THAT(report.Live, IsEmpty()) << "both errors are gone all the same";
}

TEST_F(HostMisuse, AnErrorOfAnotherKindThatTheHandlerLeavesAloneIsNoMisuse) {
  Faults().Raise("SetTitle", 1, vexhost::ErrorKind::SystemError, "Raiser");
  Plan.OnActivate = [](MisuseProbe& probe) {
    auto* raiser = new VexDlgLabel(probe.Box, "Raiser", 0);
    VexXHContext::Guard([&] { raiser->SetTitle("x"); },
                        [](VexBaseUnknown* error) { EXPECT_FALSE(error->IsAKindOf(VexError::ClassName())); });
  };
  StartProbe();
  Hands().PressCancel("MisuseBox");
  EXPECT_TRUE(Host().Accounting().Clean()) << Host().Accounting().Text();
}

TEST_F(HostMisuse, AskingForTheInitialStateUnderAnotherNameIsRecordedAndGivesTheOneState) {
  VexDialogState* second = nullptr;
  VexDialogState* same = nullptr;
  Plan.OnBuild = [&](MisuseProbe& probe) {
    same = probe.GetInitialState("Waiting");
    second = probe.GetInitialState("Elsewhere");
  };
  StartProbe();
  EXPECT_EQ(same, second);
  EXPECT_EQ(vexhost::SnapshotGraph(*Host().RunningCommand()).CurrentState, "Waiting");
  EXPECT_THAT(EndAndAccount().Misuses,
              ElementsAre("GetInitialState on 'MisuseProbe' (module->host): asked for 'Elsewhere', but the command's "
                          "initial state is 'Waiting'; a command has one initial state"));
}

TEST_F(HostMisuse, TheThreadCallSwitchRefusesANullHandle) {
  EXPECT_EQ(DisableThreadLibraryCalls(nullptr), 0);
  EXPECT_THAT(Host().Accounting().Misuses,
              ElementsAre("DisableThreadLibraryCalls (module->host): given a null module handle; nothing was switched "
                          "off"));
  DiscardSession();
}

TEST_F(HostMisuse, WhatAModuleDoesWrongWhileItLoadsIsInItsLoadRecordAndTheOpenSessionsAccounting) {
  const std::string path = VEX_LOAD_MISUSE_PATH;
  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(path);
  const std::string atLoad =
      " (module->host): called while the module loads, when a module only registers its commands";
  EXPECT_THAT(record.Misuses,
              UnorderedElementsAre(
                  "Allocate" + atLoad, "VexDialog on 'MadeAtLoad'" + atLoad, "SetTitle on 'MadeAtLoad'" + atLoad,
                  "Release on 'MadeAtLoad'" + atLoad,
                  "DisableThreadLibraryCalls (module->host): given a null module handle; nothing was switched off",
                  "VexFillDictionary (module->host): 'VexTestHiddenFactoryCmd' is registered, but its factory "
                  "fctCreateVexTestHiddenFactoryCmd is not exported",
                  "VexFillDictionary (module->host): 'VexTestOtherFactoryCmd' is registered with another factory "
                  "than its exported fctCreateVexTestOtherFactoryCmd"));
  EXPECT_THAT(Host().Accounting().Misuses, ::testing::UnorderedElementsAreArray(record.Misuses));
  EXPECT_THAT(record.Registered, ElementsAre("VexTestHiddenFactoryCmd", "VexTestOtherFactoryCmd"));
  vexhost::Session::UnloadModule(path);
  DiscardSession();
}

TEST_F(HostMisuse, OurModuleLoadsWithoutAnyMisuse) {
  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(ModulePath());
  EXPECT_THAT(record.Misuses, IsEmpty());
  EXPECT_TRUE(Host().Accounting().Clean());
}

TEST_F(HostMisuse, ACommandOfAnotherClassThanItsRegisteredNameIsRecordedAndRunsOn) {
  ASSERT_NE(Host().StartCommand("MisuseSibling"), nullptr);
  EXPECT_TRUE(Shown("MisuseBox"));
  const auto report = EndAndAccount();
  EXPECT_THAT(report.WrongClasses,
              ElementsAre("Create 'MisuseSibling' (host->module): its factory made a command of class 'MisuseProbe', "
                          "not of the class registered under that name"));
  EXPECT_THAT(report.Live, IsEmpty());
  EXPECT_FALSE(report.Clean());
}

TEST_F(HostMisuse, TheFirstHostCallFromAnotherThreadIsRecordedWhateverStartedTheThread) {
  const std::string off = " (module->host): called on a thread that is not the host's user-interface thread";
  Plan.OnActivate = [](MisuseProbe& probe) {
    for (int i = 0; i < 2; ++i) std::thread([&probe] { probe.Box->SetTitle("From a thread"); }).join();
    std::thread([&probe] { probe.Agent->InitializeAcquisition(); }).join();
    probe.Box->SetTitle("On the interface thread");
  };
  StartProbe();
  auto report = EndAndAccount();
  EXPECT_THAT(report.OffThreadCalls, ElementsAre("SetTitle on 'MisuseBox'" + off));
  EXPECT_FALSE(report.Clean());

  Plan.OnActivate = [](MisuseProbe& probe) {
    probe.Box->SetTitle("On the interface thread");
    std::async(std::launch::async, [&probe] { probe.Agent->InitializeAcquisition(); }).get();
  };
  StartProbe();
  report = EndAndAccount();
  EXPECT_THAT(report.OffThreadCalls, ElementsAre("InitializeAcquisition on 'MisuseAgent'" + off));
  EXPECT_THAT(report.Misuses, IsEmpty());
}

TEST(InterfaceThread, ASessionOpenedOnAnotherThreadMakesThatThreadTheInterfaceThread) {
  const int liveBefore = vexhost::Session::LiveObjects();
  vexhost::AccountingReport report;
  bool started = false;
  std::thread([&report, &started] {
    vexhost::SessionOptions options;
    options.ResourceDirs = {VEX_RESOURCE_DIR};
    vexhost::Session session(options);
    session.OpenDocument(ShipDocument());
    started = session.StartCommand("MisuseProbe") != nullptr;
    session.CancelRunningCommand();
    report = session.Accounting();
  }).join();
  EXPECT_TRUE(started);
  EXPECT_TRUE(report.Clean()) << report.Text();
  EXPECT_EQ(vexhost::Session::LiveObjects(), liveBefore);
}
