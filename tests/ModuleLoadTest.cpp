// Loading the module: what it exports, what runs at load and in which order, on Linux and Windows.
#include "Libraries.h"
#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

using ModuleLoad = HostTest;

}  // namespace

TEST_F(ModuleLoad, ExportsExactlyTheFactoryAndTheMarker) {
  EXPECT_THAT(ExportedNames(ModulePath()), UnorderedElementsAre("fctCreateVexStrCreateInterimProdCmd",
                                                                "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct"));
}

TEST_F(ModuleLoad, RegistersOnceThenSwitchesOffThreadCallsForItsOwnHandle) {
  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(ModulePath());
  EXPECT_THAT(record.Events, ElementsAre("VexFillDictionary VexStrCreateInterimProdCmd", "DisableThreadLibraryCalls"));
  EXPECT_THAT(record.Registered, ElementsAre(CommandName));
  EXPECT_NE(record.Handle, nullptr);
  EXPECT_EQ(record.Handle, LoadedLibrary(ModulePath())) << "the handle is the one the system gave the library";
  EXPECT_EQ(record.ThreadCallsDisabledFor, record.Handle);
  const auto names = vexhost::Session::DictionaryNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), CommandName), 1);
}

TEST_F(ModuleLoad, TheMarkerReturnsOne) {
  void* handle = LoadedLibrary(ModulePath());
  ASSERT_NE(handle, nullptr);
  auto marker = reinterpret_cast<int (*)()>(ExportOf(handle, "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct"));
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker(), 1);
}

TEST_F(ModuleLoad, UnloadingRunsNothingOfTheModuleAndLoadingAgainOnlyRegistersAndSwitchesOffThreadCalls) {
  const std::string path = ModulePath();
  const std::size_t mark = Journal().Size();
  const int live = vexhost::Session::LiveObjects();
  vexhost::Session::UnloadModule(path);
  const auto names = vexhost::Session::DictionaryNames();
  if (std::count(names.begin(), names.end(), CommandName) != 0) {
    vexhost::Session::LoadModule(path);
    GTEST_SKIP() << "this host keeps modules loaded (a sanitizer build)";
  }
  EXPECT_THAT(Since(mark), ::testing::IsEmpty()) << "nothing of the module ran at unload";
  EXPECT_EQ(vexhost::Session::LiveObjects(), live);
  // The module kept no reference to itself: it is gone from the process.
  EXPECT_EQ(LoadedLibrary(path), nullptr);

  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(path);
  EXPECT_THAT(record.Events, ElementsAre("VexFillDictionary VexStrCreateInterimProdCmd", "DisableThreadLibraryCalls"));
  EXPECT_EQ(record.ThreadCallsDisabledFor, record.Handle);
  EXPECT_THAT(Since(mark), ::testing::IsEmpty()) << "loading calls nothing else of the host";
  EXPECT_EQ(vexhost::Session::LiveObjects(), live) << "loading creates no host object";
  ASSERT_NE(Start(), nullptr);
  Hands().PressCancel(Panel);
}

TEST_F(ModuleLoad, TheExportedFactoryCreatesTheCommandAndGivesNullWhenItCannotBeAllocated) {
  void* handle = LoadedLibrary(ModulePath());
  ASSERT_NE(handle, nullptr);
  auto factory = reinterpret_cast<VexBaseUnknown* (*)()>(ExportOf(handle, "fctCreateVexStrCreateInterimProdCmd"));
  ASSERT_NE(factory, nullptr);
  Faults().FailAllocation(1);
  EXPECT_EQ(factory(), nullptr);
  EXPECT_EQ(Journal().Count("Allocate"), 1);
  EXPECT_EQ(Journal().Count("VexStateCommand"), 0) << "no constructor ran";
}

TEST_F(ModuleLoad, AFileThatCannotBeLoadedIsReportedWithItsPathAndTheSystemsReasonAndLeavesNoRecord) {
  const std::string resources = VEX_RESOURCE_DIR;
  const auto before = vexhost::Session::DictionaryNames();
  for (const std::string& path : {resources + "/no-such-module", resources + "/VexStrInterimProdPanel.json"}) {
    const std::string expected = "cannot load module " + path + ": ";
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        vexhost::Session::LoadModule(path);
        ADD_FAILURE() << path << " loaded";
      } catch (const std::runtime_error& error) {
        const std::string said = error.what();
        EXPECT_EQ(said.rfind(expected, 0), 0U) << said;
        EXPECT_GT(said.size(), expected.size()) << "the system's reason follows the path";
        EXPECT_EQ(said.find("%1"), std::string::npos) << "the system's placeholder for the file is filled in";
      }
    }
  }
  EXPECT_EQ(vexhost::Session::DictionaryNames(), before);
}
