// The module's life in the host, loaded as the host loads it (a DLL on Windows, a shared library
// on Linux): what runs at load and with which handle, a command run to a new interim product, a
// host error met inside the module, and nothing of it left after unload.
#include "Libraries.h"
#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using LoadedModule = HostTest;

bool Registered() {
  const auto names = vexhost::Session::DictionaryNames();
  return std::count(names.begin(), names.end(), CommandName) != 0;
}

void ExpectClean(vexhost::Session& host) {
  const vexhost::AccountingReport report = host.Accounting();
  EXPECT_TRUE(report.Clean()) << report.Text();
}

}  // namespace

TEST_F(LoadedModule, RegistersThenSwitchesOffThreadCallsRunsACommandMeetsAHostErrorAndUnloadsWithoutTrace) {
  const std::string path = ModulePath();
  vexhost::Session::UnloadModule(path);
  if (Registered()) {
    vexhost::Session::LoadModule(path);
    GTEST_SKIP() << "this host keeps modules loaded (a sanitizer build)";
  }
  ASSERT_EQ(LoadedLibrary(path), nullptr);

  // The load: the dictionary entry, then the thread-call switch for the handle the system gave.
  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(path);
  void* handle = LoadedLibrary(path);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(record.Handle, handle);
  EXPECT_THAT(record.Events, ElementsAre("VexFillDictionary VexStrCreateInterimProdCmd", "DisableThreadLibraryCalls"));
  EXPECT_EQ(record.ThreadCallsDisabledFor, handle);
  EXPECT_THAT(record.Misuses, IsEmpty());

  // The command started by its name: its panel shown, a class chosen, OK creating the product.
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(Shown(Panel));
  Hands().ChooseClass(Panel, ClassFrame, "Block");
  Hands().PressOK(Panel);
  EXPECT_FALSE(Running());
  const vexhost::ProductData block = ProductAt("Hull/Block A");
  ASSERT_EQ(block.Children.size(), 2U);
  EXPECT_EQ(block.Children[1].InterimClass, "Block");
  ExpectClean(Host());

  // A host error raised in a host call that the module's Activate makes: it unwinds the module's
  // frames, out of the library, and the host's top level catches it.
  Reopen(DefaultOptions());
  Faults().Raise("GetClassSettings", 1);
  ASSERT_NE(Start(), nullptr);
  ASSERT_EQ(Host().Errors().size(), 1U);
  EXPECT_EQ(Host().Errors()[0].Kind, "VexError");
  EXPECT_TRUE(Host().Errors()[0].Escaped);
  EXPECT_EQ(Host().Errors()[0].Where, "Activate");
  EXPECT_FALSE(Shown(Panel));
  Host().CancelRunningCommand();
  ExpectClean(Host());

  // Unloaded: the entry is gone with the library.
  Reopen(DefaultOptions());
  vexhost::Session::UnloadModule(path);
  EXPECT_FALSE(Registered());
  EXPECT_EQ(LoadedLibrary(path), nullptr);
  vexhost::Session::LoadModule(path);
}
