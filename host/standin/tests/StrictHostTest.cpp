// The strict host: what it notices when a command misuses it. Probe commands that live only in
// these tests play a faulty module; each rule is shown by the misuse it catches.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>

#include "TestSupport.h"

#include "vex/Dialogs.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// What the probe does in its actions; each test sets the steps it needs.
struct Misuse {
  std::function<void(class StrictProbe&)> OnActivate;
  std::function<void(class StrictProbe&)> OnOK;
  std::function<void(class StrictProbe&)> OnCancel;
  bool DropOKCallback = false;  // the dialog drops the callback through which OK reaches the agent
};
Misuse Plan;

// A state command with one dialog ("ProbeBox", OK and Cancel) and one agent on both buttons: OK
// loops back to the state, Cancel ends the command.
class StrictProbe : public VexStateCommand {
 public:
  StrictProbe() : VexStateCommand(0) {
    Box = new VexDlgDialog(nullptr, "ProbeBox", 0);
    Box->SetVisibility(VexDlgShow);
  }
  ~StrictProbe() override {
    Box->RequestDelayedDestruction();
    Agent->RequestDelayedDestruction();
    if (Factory != nullptr) Factory->Release();
  }
  void BuildGraph() override {
    Agent = new VexPanelAcquisition("ProbeAgent", Box);
    Agent->AcceptOnEvent(Box->GetDiaOKNotification(), nullptr);
    Agent->AcceptOnEvent(Box->GetDiaCANCELNotification(), nullptr);
    if (Plan.DropOKCallback) Box->RemoveAnalyseNotificationCB(Box, Box->GetDiaOKNotification(), nullptr);
    VexDialogState* state = GetInitialState("Waiting");
    state->AddDialogAgent(Agent);
    AddTransition(state, state, IsLastModifiedAgentCondition(Agent, Box->GetDiaOKNotification()),
                  Action(static_cast<VexActionMethod>(&StrictProbe::OK)));
    AddTransition(state, nullptr, IsLastModifiedAgentCondition(Agent, Box->GetDiaCANCELNotification()),
                  Action(static_cast<VexActionMethod>(&StrictProbe::Cancelled)));
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
  VexBoolean Cancelled(void*) {
    if (Plan.OnCancel) Plan.OnCancel(*this);
    return 1;
  }
  // The active product's interim-product factory, with the reference the query hands over.
  VexIStrInterimProductFactory* TakeFactory() {
    VexPathElement path(VexFrmEditor::GetCurrentEditor()->GetActivePath());
    VexBaseUnknown* product = path.SearchObject(VexIProduct::ClassName());
    void* factory = nullptr;
    product->QueryInterface(IID_VexIStrInterimProductFactory, &factory);
    product->Release();
    return static_cast<VexIStrInterimProductFactory*>(factory);
  }

  VexDlgDialog* Box = nullptr;
  VexPanelAcquisition* Agent = nullptr;
  VexIStrInterimProductFactory* Factory = nullptr;  // counted, when a step keeps it
  VexDlgDialog* Extra = nullptr;                    // a second dialog some steps make
};

VexBaseUnknown* CreateProbe() { return new StrictProbe(); }
VexFillDictionary ProbeEntry("StrictProbe", &CreateProbe);

class StrictHost : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Plan = Misuse();
    Host().OpenDocument(ShipDocument());
  }
  void TearDown() override {
    Plan = Misuse();
    HostTest::TearDown();
  }
  void StartProbe() { ASSERT_NE(Host().StartCommand("StrictProbe"), nullptr); }
  // The probe's misuse is the point of these tests: check what was found, then start afresh.
  vexhost::AccountingReport EndAndAccount() {
    Host().CancelRunningCommand();
    vexhost::AccountingReport report = Host().Accounting();
    DiscardSession();
    return report;
  }
};

}  // namespace

TEST_F(StrictHost, ACallOnAFactoryWhoseLastReferenceWasReleasedIsRefusedAndRecorded) {
  Plan.OnActivate = [](StrictProbe& probe) {
    VexIStrInterimProductFactory* factory = probe.TakeFactory();
    factory->Release();
    VexBoolean allowed = 0;
    VexUnicodeString message;
    EXPECT_LT(factory->CanCreate(allowed, message), 0);
    EXPECT_EQ(allowed, 0) << "a dead object's operation is not carried out";
  };
  StartProbe();
  EXPECT_THAT(Calls({"CanCreate"}),
              ElementsAre("CanCreate(Block A.factory; allowed=0, message=\"\") -> refused: dead object"));
  const auto report = EndAndAccount();
  EXPECT_THAT(report.Violations, ElementsAre("CanCreate on 'Block A.factory' (module->host): its last reference was "
                                             "already released"));
  EXPECT_FALSE(report.Clean());
}

TEST_F(StrictHost, AnAddRefFromZeroIsAResurrectionAndDoesNotRevive) {
  Plan.OnActivate = [](StrictProbe& probe) {
    VexIStrInterimProductFactory* factory = probe.TakeFactory();
    factory->Release();
    EXPECT_EQ(factory->AddRef(), 0U);
    void* again = &probe;
    EXPECT_LT(factory->QueryInterface(IID_VexIProduct, &again), 0);
    EXPECT_EQ(again, nullptr);
  };
  StartProbe();
  const auto report = EndAndAccount();
  EXPECT_THAT(report.Violations,
              ElementsAre("AddRef on 'Block A.factory' (module->host): brings an object back from zero references",
                          "QueryInterface on 'Block A.factory' (module->host): its last reference was already "
                          "released"));
  EXPECT_THAT(report.OverReleases, IsEmpty());
  EXPECT_THAT(report.Unbalanced, IsEmpty()) << "the product the factory held was given back once";
}

TEST_F(StrictHost, AReleaseThroughAStalePointerIsAnOverReleaseAndTouchesNothing) {
  Plan.OnActivate = [](StrictProbe& probe) {
    probe.Factory = probe.TakeFactory();
    VexIStrInterimProductFactory* stale = probe.Factory;
    stale->Release();
    stale->Release();  // the destructor releases it a third time
  };
  StartProbe();
  const auto report = EndAndAccount();
  EXPECT_THAT(report.OverReleases,
              ElementsAre("Release on 'Block A.factory' (module->host): its last reference was already released"));
  EXPECT_THAT(report.Unbalanced, IsEmpty());
}

TEST_F(StrictHost, AnObjectDestroyedByDelayedDestructionIsDeadToLaterCalls) {
  Plan.OnOK = [](StrictProbe& probe) {
    if (probe.Extra == nullptr) {
      probe.Extra = new VexDlgDialog(nullptr, "Leftover", 0);
      probe.Extra->RequestDelayedDestruction();  // destroyed once this event is handled
    } else {
      probe.Extra->SetVisibility(VexDlgShow);
      probe.Extra->Release();
    }
  };
  StartProbe();
  Hands().PressOK("ProbeBox");
  EXPECT_EQ(Host().FindDialog("Leftover"), nullptr);
  Hands().PressOK("ProbeBox");
  EXPECT_EQ(Host().FindDialog("Leftover"), nullptr) << "the stray call showed nothing";
  const auto report = EndAndAccount();
  EXPECT_THAT(report.Violations, ElementsAre("SetVisibility on 'Leftover' (module->host): it was already destroyed"));
  EXPECT_THAT(report.OverReleases, ElementsAre("Release on 'Leftover' (module->host): it was already destroyed"));
}

TEST_F(StrictHost, TheHostTouchesNoAgentWhoseLastReferenceTheModuleReleased) {
  Plan.OnActivate = [](StrictProbe& probe) { probe.Agent->Release(); };
  StartProbe();
  Hands().PressCancel("ProbeBox");
  EXPECT_TRUE(Running()) << "a dead agent takes nothing";
  EXPECT_EQ(Journal().Count("RunAction"), 0);
  const auto report = EndAndAccount();
  EXPECT_THAT(report.Violations,
              ElementsAre("AnalyseNotification on 'ProbeAgent' (host->module): its last reference was already released",
                          "RequestDelayedDestruction on 'ProbeAgent' (module->host): its last reference was already "
                          "released"));
}

TEST_F(StrictHost, ADialogEventReachesTheAgentOnlyThroughItsAnalyseCallback) {
  Plan.DropOKCallback = true;
  StartProbe();
  Hands().PressOK("ProbeBox");
  EXPECT_EQ(Journal().Count("RunAction"), 0) << "the dropped callback no longer carries OK";
  Hands().PressCancel("ProbeBox");
  EXPECT_FALSE(Running()) << "Cancel still reaches the agent";
}

TEST_F(StrictHost, OutputArgumentsAreJournaledAsTheCallerPresetThemAndAsTheHostLeftThem) {
  Plan.OnActivate = [](StrictProbe& probe) {
    VexIStrInterimProductFactory* factory = probe.TakeFactory();
    VexBoolean allowed = 7;  // not preset as the contract asks
    VexUnicodeString message("stale");
    factory->CanCreate(allowed, message);
    factory->Release();
  };
  StartProbe();
  EXPECT_THAT(Calls({"CanCreate"}),
              ElementsAre("CanCreate(Block A.factory; allowed=7, message=\"stale\") -> 0 [allowed=1, "
                          "message=\"stale\"]"));
  Host().CancelRunningCommand();
}

TEST_F(StrictHost, ASecondDictionaryEntryUnderARegisteredNameIsRefusedAndTheFirstStays) {
  const auto before = vexhost::Session::RegistrationViolations().size();
  VexFillDictionary second(CommandName, &CreateProbe);
  const auto violations = vexhost::Session::RegistrationViolations();
  ASSERT_EQ(violations.size(), before + 1);
  EXPECT_EQ(violations.back(),
            "VexFillDictionary: 'VexStrCreateInterimProdCmd' is already registered; the first "
            "entry stays");
  Host().StartCommand(CommandName);
  EXPECT_THAT(Calls({"Create"}), ElementsAre("Create(\"VexStrCreateInterimProdCmd\") -> VexStrCreateInterimProdCmd"));
  EXPECT_TRUE(Shown(Panel)) << "the module's own command started, not the probe";
  Host().CancelRunningCommand();
}

TEST_F(StrictHost, EachSessionStartsWithItsOwnJournalFaultsAndErrors) {
  Faults().Raise("SetVisibility", 1, vexhost::ErrorKind::VexError);
  Start();
  ASSERT_FALSE(Host().Errors().empty());
  Host().CancelRunningCommand();
  Reopen(DefaultOptions());
  EXPECT_EQ(Journal().Size(), 0U);
  EXPECT_THAT(Host().Errors(), IsEmpty());
  Start();
  EXPECT_TRUE(Shown(Panel)) << "the earlier session's fault plan is gone with it";
  Host().CancelRunningCommand();
}

class LeaksOnPurpose : public HostTest {};
class AfterALeak : public HostTest {};

// Run only by Isolation.ALeakFailsOnlyTheTestThatLeaked, in a child process: a window nobody
// destroys outlives the session.
TEST_F(LeaksOnPurpose, LeavesAWindowAlive) {
  if (std::getenv("VEX_LEAK_ON_PURPOSE") == nullptr) GTEST_SKIP() << "run by Isolation.ALeakFailsOnlyTheTestThatLeaked";
  new VexDlgDialog(nullptr, "Forgotten", 0);
}

TEST_F(AfterALeak, StartsCleanAndPasses) {
  if (std::getenv("VEX_LEAK_ON_PURPOSE") == nullptr) GTEST_SKIP() << "run by Isolation.ALeakFailsOnlyTheTestThatLeaked";
  Start();
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  EXPECT_FALSE(Running());
}

namespace {

// Runs this test program again, in a child process, with only the tests that `filter` names and
// VEX_LEAK_ON_PURPOSE set; gives what it printed, and whether it failed.
std::pair<std::string, bool> RunLeakingChild(const std::string& filter) {
  std::string output;
#ifdef _WIN32
  // The shell (cmd.exe) sets no variable on a command line: the child inherits it from here. The
  // program's path the system's way, from the drive on; the whole command quoted once more, as
  // cmd /c takes it.
  _putenv_s("VEX_LEAK_ON_PURPOSE", "1");
  const std::string program = std::filesystem::absolute(VEX_TEST_BINARY).make_preferred().string();
  const std::string command = "\"\"" + program + "\" --gtest_filter=" + filter + " 2>&1\"";
  FILE* child = _popen(command.c_str(), "r");
  _putenv_s("VEX_LEAK_ON_PURPOSE", "");
#else
  const std::string command =
      std::string("VEX_LEAK_ON_PURPOSE=1 ") + VEX_TEST_BINARY + " --gtest_filter=" + filter + " 2>&1";
  FILE* child = popen(command.c_str(), "r");
#endif
  if (child == nullptr) return {"the child could not be started", false};
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, child) != nullptr) output += buffer;
#ifdef _WIN32
  const int status = _pclose(child);
#else
  const int status = pclose(child);
#endif
  return {output, status != 0};
}

}  // namespace

TEST(Isolation, ALeakFailsOnlyTheTestThatLeaked) {
  const auto [output, failed] = RunLeakingChild("LeaksOnPurpose.*:AfterALeak.*");
  EXPECT_TRUE(failed) << output;
  EXPECT_THAT(output, HasSubstr("[  FAILED  ] LeaksOnPurpose.LeavesAWindowAlive"));
  EXPECT_THAT(output, HasSubstr("[       OK ] AfterALeak.StartsCleanAndPasses"));
  EXPECT_THAT(output, HasSubstr("1 FAILED TEST"));
}

namespace {

class Statuses : public HostTest {
 protected:
  vexhost::ProductData BlockA() { return ProductAt("Hull/Block A"); }
};

}  // namespace

TEST_F(Statuses, AFailingCanCreateIsARefusalWithAnEmptyMessage) {
  Faults().ReturnStatus("CanCreate", 1, -5);
  Start();
  EXPECT_THAT(Calls({"CanCreate"}),
              ElementsAre("CanCreate(Block A.factory; allowed=0, message=\"\") -> -5 [allowed=0, message=\"\"]"));
  EXPECT_TRUE(Shown(ErrorBox));
  EXPECT_THAT(See(ErrorBox).Lines, ElementsAre(""));
  EXPECT_FALSE(Shown(Panel));
  Hands().Acknowledge(ErrorBox);
  EXPECT_FALSE(Running());
}

TEST_F(Statuses, FailingClassSettingsLeaveTheFrameWithoutClassAndOKOff) {
  Faults().ReturnStatus("GetClassSettings", 1, -1);
  Start();
  const auto panel = See(Panel);
  EXPECT_TRUE(panel.Visible);
  EXPECT_THAT(panel.Find("ClassEditor")->Lines, ElementsAre(""));
  EXPECT_EQ(panel.Find(ClassFrame)->Family, "");
  EXPECT_FALSE(panel.OKSensitive);
  Host().CancelRunningCommand();
}

TEST_F(Statuses, AFailingBrowserAnswerLeavesTheBrowserInsensitive) {
  Faults().ReturnStatus("IsBrowserAllowed", 1, -1);
  Start();
  EXPECT_FALSE(See(Panel).Find("ClassBrowser")->Sensitive);
  EXPECT_THROW(Hands().Browse(Panel, ClassFrame), vexhost::Refused);
  Host().CancelRunningCommand();
}

TEST_F(Statuses, AFailingCreationCreatesNothingSetsNoPartNumberAndEndsTheCommand) {
  Faults().ReturnStatus("CreateInterimProduct", 1, -1);
  Start();
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"CreateInterimProduct"}),
              ElementsAre("CreateInterimProduct(Block A.factory; \"Block\", extra=0, created=null) -> -1 [extra=0, "
                          "created=null]"));
  EXPECT_EQ(BlockA().Children.size(), 1U);
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  EXPECT_FALSE(Running());
}

TEST_F(Statuses, AFactoryThatCannotAnswerForItsProductCreatesButSetsNoPartNumber) {
  Faults().ReturnStatus("QueryInterface", 1, -2, "Block A.factory");
  Start();
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Hands().PressOK(Panel);
  EXPECT_EQ(BlockA().Children.size(), 2U);
  EXPECT_EQ(BlockA().PartNumber, "BA-200");
  EXPECT_THAT(Calls({"RunAction"}).back(), "RunAction(VexStrCreateInterimProdCmd; transition 4) -> true");
}

TEST_F(Statuses, ADocumentCanMakeItsFactoryFail) {
  vexhost::DocumentData document = ShipDocument();
  auto& blockA = document.Root.Children[0];
  blockA.Factory.FailingStatuses = {{"IsBrowserAllowed", -3}};
  blockA.Factory.AnswersForProduct = false;
  StartOn(document);
  EXPECT_FALSE(See(Panel).Find("ClassBrowser")->Sensitive);
  Hands().ChooseClass(Panel, ClassFrame, "Panel");
  Hands().Type(Panel, PartNumberEditor, "BA-201");
  Hands().PressOK(Panel);
  EXPECT_EQ(BlockA().Children.size(), 2U);
  EXPECT_EQ(BlockA().PartNumber, "BA-200") << "the factory could not answer for its product";
}

TEST(StatusPlans, AreReadFromTheirShortFormAndOnlyForOperationsThatAnswerAStatus) {
  auto problem = [](const std::string& text) {
    std::string why;
    return vexhost::FaultPlan::ParseStatus(text, why) ? std::string("(accepted)") : why;
  };
  EXPECT_EQ(problem("CanCreate=-1"), "(accepted)");
  EXPECT_EQ(problem("QueryInterface@Block A.factory#2=-2147467262"), "(accepted)");
  EXPECT_THAT(problem("CanCreate"), HasSubstr("a status is missing"));
  // Only an operation that may succeed without its object takes 0.
  EXPECT_EQ(problem("CreateInterimProduct#2=0"), "(accepted)");
  EXPECT_THAT(problem("CanCreate=0"), HasSubstr("'CanCreate' must be negative, not 0"));
  EXPECT_THAT(problem("CanCreate=0"),
              HasSubstr("may answer 0 without a result: CreateInterimProduct, GetResourceValueFromKey)"));
  EXPECT_EQ(problem("GetResourceValueFromKey@InterimProductPanel=0"), "(accepted)");
  EXPECT_THAT(problem("GetResourceValueFromKey=-1"), HasSubstr("'GetResourceValueFromKey' must be 0, not -1"));
  EXPECT_THAT(problem("CreateInterimProduct=1"), HasSubstr("'1' is not a negative status"));
  EXPECT_THAT(problem("CanCreate=x"), HasSubstr("'x' is not a negative status"));
  EXPECT_THAT(problem("SetTitle=-1"), HasSubstr("'SetTitle' answers no status (operations that answer one: CanCreate"));
  EXPECT_THAT(problem("CanCreate#0=-1"), HasSubstr("'0' is not a positive call number"));
}

namespace {

// Block A's factory creates from the family "Hull"; another family holds the outfitting.
vexhost::DocumentData FamilyDocument(const std::string& family) {
  vexhost::DocumentData document = ShipDocument();
  document.ClassCatalogue = {"Block", "SubBlock", "Assembly", "Panel", "Pipe"};
  document.ClassFamilies = {{"Hull", {"Block", "SubBlock", "Assembly"}}, {"Outfitting", {"Panel", "Pipe"}}};
  document.Root.Children[0].Factory.SecondClassSetting = family;
  return document;
}

class Families : public HostTest {};

}  // namespace

TEST_F(Families, TheBrowserOffersTheFamilyTheFrameWasBuiltWith) {
  StartOn(FamilyDocument("Hull"));
  EXPECT_EQ(See(Panel).Find(ClassFrame)->Family, "Hull");
  EXPECT_THAT(Hands().Browse(Panel, ClassFrame), ElementsAre("Block", "SubBlock", "Assembly"));
  EXPECT_THROW(Hands().ChooseInBrowser(Panel, ClassFrame, "Pipe"), vexhost::Refused);
  Hands().ChooseInBrowser(Panel, ClassFrame, "Assembly");
  Hands().PressOK(Panel);
  EXPECT_EQ(ProductAt("Hull/Block A/Assembly 1").InterimClass, "Assembly");
}

TEST_F(Families, ATypedClassOfAnotherFamilyIsTakenByTheFrameButNotCreated) {
  StartOn(FamilyDocument("Hull"));
  Hands().ChooseClass(Panel, ClassFrame, "Pipe");
  EXPECT_TRUE(See(Panel).OKSensitive);
  Hands().PressOK(Panel);
  EXPECT_THAT(Calls({"CreateInterimProduct"}).back(), HasSubstr("-> -1"));
  EXPECT_EQ(ProductAt("Hull/Block A").Children.size(), 1U);
  EXPECT_FALSE(Running());
}

TEST_F(Families, AFrameOfAFamilyTheDocumentLacksOffersNothing) {
  StartOn(FamilyDocument("Rigging"));
  EXPECT_THAT(Hands().Browse(Panel, ClassFrame), IsEmpty());
  Host().CancelRunningCommand();
}

TEST_F(Families, ADocumentWithoutFamiliesOffersItsWholeCatalogueToAnyFrame) {
  vexhost::DocumentData document = ShipDocument();
  document.Root.Children[0].Factory.SecondClassSetting = "Anything";
  StartOn(document);
  EXPECT_THAT(Hands().Browse(Panel, ClassFrame), ElementsAre("Block", "SubBlock", "Panel", "Assembly"));
  Host().CancelRunningCommand();
}

TEST(FamilyDocuments, AreReadFromAnObjectOfFamiliesWithFailingFactories) {
  const auto document = vexhost::ParseDocument(R"({
    "classes": {"Hull": ["Block", "SubBlock"], "Outfitting": ["Pipe", "Block"]},
    "root": {"name": "Hull", "factory": {"secondClass": "Hull", "failing": {"CanCreate": -7},
                                         "answersForProduct": false}}})",
                                               "families.json");
  EXPECT_THAT(document.ClassCatalogue, ElementsAre("Block", "SubBlock", "Pipe"));
  ASSERT_EQ(document.ClassFamilies.size(), 2U);
  EXPECT_EQ(document.ClassFamilies[1].Name, "Outfitting");
  EXPECT_THAT(document.ClassFamilies[1].Classes, ElementsAre("Pipe", "Block"));
  EXPECT_EQ(document.Root.Factory.FailingStatuses.at("CanCreate"), -7);
  EXPECT_FALSE(document.Root.Factory.AnswersForProduct);

  auto problem = [](const std::string& classes, const std::string& factory = "{}") {
    try {
      vexhost::ParseDocument(R"({"classes": )" + classes + R"(, "root": {"name": "H", "factory": )" + factory + "}}",
                             "bad.json");
    } catch (const vexhost::DocumentError& error) {
      return std::string(error.what());
    }
    return std::string("(accepted)");
  };
  EXPECT_THAT(problem("{}"), HasSubstr("bad.json: /classes: the class catalogue must hold at least one family"));
  EXPECT_THAT(problem(R"({"Hull": []})"), HasSubstr("/classes/Hull: a family must name at least one class"));
  EXPECT_THAT(problem(R"({"Hull": ["A", "A"]})"), HasSubstr("/classes/Hull/1: the class 'A' is already in the family"));
  EXPECT_THAT(problem(R"({"": ["A"]})"), HasSubstr("a family name must not be empty"));
  EXPECT_THAT(problem(R"(["A"])", R"({"failing": {"CanCreate": 0}})"),
              HasSubstr("/root/factory/failing/CanCreate: expected a negative status"));
  EXPECT_THAT(problem(R"(["A"])", R"({"failing": {"Release": -1}})"),
              HasSubstr("/root/factory/failing/Release: unknown key"));
}

TEST(BoundedJournal, KeepsTheLatestEntriesAndStreamsEveryOneCompleteAndInOrder) {
  vexhost::Session::LoadModule(VEX_MODULE_PATH);
  vexhost::SessionOptions options{{VEX_RESOURCE_DIR}};
  options.JournalWindow = 50;
  std::ostringstream stream;
  std::size_t recorded = 0;
  {
    vexhost::Session host(options);
    vexhost::Hands hands(host);
    host.GetJournal().StreamTo(&stream);
    host.OpenDocument(ShipDocument());
    for (int lifecycle = 0; lifecycle < 20; ++lifecycle) {
      host.StartCommand(CommandName);
      hands.ChooseClass(Panel, ClassFrame, "Block");
      hands.PressOK(Panel);
    }
    const vexhost::Journal& journal = host.GetJournal();
    EXPECT_LE(journal.Entries().size(), 50U);
    EXPECT_EQ(journal.FirstIndex() + journal.Entries().size(), journal.Size());
    EXPECT_GT(journal.Size(), 20U * 100U);
    EXPECT_EQ(vexhost::Journal::JsonLine(journal.Entries().back()),
              stream.str().substr(stream.str().rfind('\n', stream.str().size() - 2) + 1));
    recorded = journal.Size();
    EXPECT_TRUE(host.Accounting().Clean());
  }
  std::istringstream lines(stream.str());
  std::string line;
  std::size_t count = 0;
  int activations = 0;
  while (std::getline(lines, line)) {
    const auto entry = nlohmann::json::parse(line);
    ++count;
    // Calls into the module are written once they have returned, with what they returned.
    if (entry["op"] == "Activate") {
      EXPECT_EQ(entry["result"], "0");
      ++activations;
    }
    if (entry["op"] == "RunAction") {
      EXPECT_TRUE(entry.contains("result")) << line;
    }
    if (entry["op"] == "CanCreate") {
      EXPECT_EQ(entry["out"][0], "allowed=1") << line;
    }
  }
  EXPECT_EQ(count, recorded);
  EXPECT_EQ(activations, 20);
}
