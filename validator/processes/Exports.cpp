#include "Exports.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

namespace vexvalidator {

namespace {

struct ElfCloser {
  void operator()(Elf* elf) const { elf_end(elf); }
};

class OpenFile {
 public:
  explicit OpenFile(const std::string& path) : _Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (_Fd < 0) throw std::runtime_error(path + ": cannot be read");
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { ::close(_Fd); }
  int Fd() const { return _Fd; }

 private:
  int _Fd;
};

bool IsExported(const GElf_Sym& symbol) {
  const int binding = GELF_ST_BIND(symbol.st_info);
  const int visibility = GELF_ST_VISIBILITY(symbol.st_other);
  return symbol.st_shndx != SHN_UNDEF && (binding == STB_GLOBAL || binding == STB_WEAK || binding == STB_GNU_UNIQUE) &&
         (visibility == STV_DEFAULT || visibility == STV_PROTECTED);
}

}  // namespace

std::vector<std::string> ExportedSymbols(const std::string& path) {
  if (elf_version(EV_CURRENT) == EV_NONE) throw std::runtime_error("the ELF library cannot be used");
  OpenFile file(path);
  std::unique_ptr<Elf, ElfCloser> elf(elf_begin(file.Fd(), ELF_C_READ, nullptr));
  if (elf == nullptr || elf_kind(elf.get()) != ELF_K_ELF) throw std::runtime_error(path + ": not an ELF file");
  std::vector<std::string> names;
  bool found = false;
  for (Elf_Scn* section = nullptr; (section = elf_nextscn(elf.get(), section)) != nullptr;) {
    GElf_Shdr header;
    if (gelf_getshdr(section, &header) == nullptr || header.sh_type != SHT_DYNSYM) continue;
    found = true;
    Elf_Data* data = elf_getdata(section, nullptr);
    const std::size_t count = header.sh_entsize == 0 ? 0 : header.sh_size / header.sh_entsize;
    for (std::size_t i = 0; data != nullptr && i < count; ++i) {
      GElf_Sym symbol;
      if (gelf_getsym(data, static_cast<int>(i), &symbol) == nullptr || !IsExported(symbol)) continue;
      const char* name = elf_strptr(elf.get(), header.sh_link, symbol.st_name);
      if (name != nullptr && *name != '\0') names.emplace_back(name);
    }
  }
  if (!found) throw std::runtime_error(path + ": no dynamic symbol table (not a shared library)");
  return names;
}

std::string MarkerName(const std::string& path) {
  std::string stem = std::filesystem::path(path).filename().string();
  if (stem.rfind("lib", 0) == 0) stem.erase(0, 3);
  if (const auto dot = stem.find(".so"); dot != std::string::npos) stem.resize(dot);
  return "TOVARIK_KEL2_INTERNAL_" + stem;
}

std::string FactoryName(const std::string& command) { return "fctCreate" + command; }

}  // namespace vexvalidator
