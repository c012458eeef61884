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
  EXPECT_THAT(DefinedDynamicSymbols(VEX_MODULE_PATH),
              UnorderedElementsAre("fctCreateVexStrCreateInterimProdCmd", "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct"));
}

TEST_F(ModuleLoad, RegistersOnceThenSwitchesOffThreadCallsForItsOwnHandle) {
  const vexhost::LoadRecord& record = vexhost::Session::LoadModule(VEX_MODULE_PATH);
  EXPECT_THAT(record.Events, ElementsAre("VexFillDictionary VexStrCreateInterimProdCmd", "DisableThreadLibraryCalls"));
  EXPECT_THAT(record.Registered, ElementsAre(CommandName));
  EXPECT_NE(record.Handle, nullptr);
  EXPECT_EQ(record.ThreadCallsDisabledFor, record.Handle);
  const auto names = vexhost::Session::DictionaryNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), CommandName), 1);
}

TEST_F(ModuleLoad, TheMarkerReturnsOne) {
  void* handle = dlopen(VEX_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto marker = reinterpret_cast<int (*)()>(dlsym(handle, "TOVARIK_KEL2_INTERNAL_VexStrInterimProduct"));
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker(), 1);
  dlclose(handle);
}
