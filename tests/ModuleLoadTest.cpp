// Loading the module: what it exports, what runs at load and in which order.
#include <dlfcn.h>
#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "TestSupport.h"

using namespace vextest;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

// The defined global symbols of a 64-bit ELF shared object's dynamic symbol table.
std::vector<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> names;
  if (image.size() < sizeof(Elf64_Ehdr)) return names;
  Elf64_Ehdr header;
  std::memcpy(&header, image.data(), sizeof header);
  auto section = [&](std::size_t index) {
    Elf64_Shdr entry;
    std::memcpy(&entry, image.data() + header.e_shoff + index * header.e_shentsize, sizeof entry);
    return entry;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (std::size_t offset = 0; offset + sizeof(Elf64_Sym) <= symbols.sh_size; offset += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, image.data() + symbols.sh_offset + offset, sizeof symbol);
      const int binding = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      names.emplace_back(image.data() + strings.sh_offset + symbol.st_name);
    }
  }
  return names;
}

using ModuleLoad = HostTest;

}  // namespace

TEST_F(ModuleLoad, ExportsExactlyTheFactoryAndTheMarker) {
  EXPECT_THAT(DefinedDynamicSymbols(ModulePath()), UnorderedElementsAre("fctCreateVexStrCreateInterimProdCmd",
                                                                        "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct"));
}

TEST_F(ModuleLoad, RegistersOnceThenSwitchesOffThreadCallsForItsOwnHandle) {
  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(ModulePath());
  EXPECT_THAT(record.Events, ElementsAre("VexFillDictionary VexStrCreateInterimProdCmd", "DisableThreadLibraryCalls"));
  EXPECT_THAT(record.Registered, ElementsAre(CommandName));
  EXPECT_NE(record.Handle, nullptr);
  EXPECT_EQ(record.ThreadCallsDisabledFor, record.Handle);
  const auto names = vexhost::Session::DictionaryNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), CommandName), 1);
}

TEST_F(ModuleLoad, TheMarkerReturnsOne) {
  void* handle = dlopen(ModulePath(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto marker = reinterpret_cast<int (*)()>(dlsym(handle, "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct"));
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker(), 1);
  dlclose(handle);
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
  void* stillThere = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(stillThere, nullptr);
  if (stillThere != nullptr) dlclose(stillThere);

  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(path);
  EXPECT_THAT(record.Events, ElementsAre("VexFillDictionary VexStrCreateInterimProdCmd", "DisableThreadLibraryCalls"));
  EXPECT_EQ(record.ThreadCallsDisabledFor, record.Handle);
  EXPECT_THAT(Since(mark), ::testing::IsEmpty()) << "loading calls nothing else of the host";
  EXPECT_EQ(vexhost::Session::LiveObjects(), live) << "loading creates no host object";
  ASSERT_NE(Start(), nullptr);
  Hands().PressCancel(Panel);
}

TEST_F(ModuleLoad, TheExportedFactoryCreatesTheCommandAndGivesNullWhenItCannotBeAllocated) {
  void* handle = dlopen(ModulePath(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto factory = reinterpret_cast<VexBaseUnknown* (*)()>(dlsym(handle, "fctCreateVexStrCreateInterimProdCmd"));
  dlclose(handle);
  ASSERT_NE(factory, nullptr);
  Faults().FailAllocation(1);
  EXPECT_EQ(factory(), nullptr);
  EXPECT_EQ(Journal().Count("Allocate"), 1);
  EXPECT_EQ(Journal().Count("VexStateCommand"), 0) << "no constructor ran";
}
