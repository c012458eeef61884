// The tests' view of the system's dynamic libraries: ELF and dlopen on Linux, PE and LoadLibrary
// on Windows.
#include "Libraries.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vextest {

namespace {

std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A copy of the structure at `offset` of the image; false when the image is too short for it.
template <typename Structure>
bool Read(const std::string& image, std::size_t offset, Structure& into) {
  if (offset > image.size() || image.size() - offset < sizeof into) return false;
  std::memcpy(&into, image.data() + offset, sizeof into);
  return true;
}

}  // namespace

#ifdef _WIN32

namespace {

// The file offset of a relative virtual address, through the section that holds it; 0 when none.
std::size_t FileOffset(const std::string& image, std::size_t sections, int count, DWORD address) {
  for (int i = 0; i < count; ++i) {
    IMAGE_SECTION_HEADER section;
    if (!Read(image, sections + static_cast<std::size_t>(i) * sizeof section, section)) return 0;
    if (address >= section.VirtualAddress && address < section.VirtualAddress + section.SizeOfRawData) {
      return section.PointerToRawData + (address - section.VirtualAddress);
    }
  }
  return 0;
}

}  // namespace

std::vector<std::string> ExportedNames(const std::string& path) {
  const std::string image = FileContents(path);
  std::vector<std::string> names;
  IMAGE_DOS_HEADER dos;
  IMAGE_NT_HEADERS64 nt;
  if (!Read(image, 0, dos) || !Read(image, static_cast<std::size_t>(dos.e_lfanew), nt)) return names;
  const IMAGE_DATA_DIRECTORY table = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (table.VirtualAddress == 0) return names;
  const std::size_t sections = static_cast<std::size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                               nt.FileHeader.SizeOfOptionalHeader;
  const int count = nt.FileHeader.NumberOfSections;
  IMAGE_EXPORT_DIRECTORY exports;
  if (!Read(image, FileOffset(image, sections, count, table.VirtualAddress), exports)) return names;
  const std::size_t namePointers = FileOffset(image, sections, count, exports.AddressOfNames);
  for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
    DWORD nameAddress = 0;
    if (!Read(image, namePointers + i * sizeof nameAddress, nameAddress)) break;
    const std::size_t name = FileOffset(image, sections, count, nameAddress);
    if (name == 0 || name >= image.size()) break;
    names.emplace_back(image.c_str() + name);
  }
  return names;
}

void* LoadedLibrary(const std::string& path) {
  const std::filesystem::path full = std::filesystem::absolute(path).make_preferred();
  return static_cast<void*>(GetModuleHandleW(full.c_str()));
}

void* ExportOf(void* library, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

#else

std::vector<std::string> ExportedNames(const std::string& path) {
  const std::string image = FileContents(path);
  std::vector<std::string> names;
  Elf64_Ehdr header;
  if (!Read(image, 0, header)) return names;
  auto section = [&](std::size_t index) {
    Elf64_Shdr entry{};
    Read(image, header.e_shoff + index * header.e_shentsize, entry);
    return entry;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (std::size_t offset = 0; offset + sizeof(Elf64_Sym) <= symbols.sh_size; offset += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      if (!Read(image, symbols.sh_offset + offset, symbol)) break;
      const int binding = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      names.emplace_back(image.c_str() + strings.sh_offset + symbol.st_name);
    }
  }
  return names;
}

void* LoadedLibrary(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  // The lookup took a reference; give it back: the handle stays valid while the library is loaded.
  if (library != nullptr) dlclose(library);
  return library;
}

void* ExportOf(void* library, const std::string& name) { return dlsym(library, name.c_str()); }

#endif

}  // namespace vextest
