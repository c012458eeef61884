// Live-object accounting.
#include <algorithm>
#include <sstream>
#include <typeinfo>

#include <cxxabi.h>

#include "HostState.h"

namespace vexhost::detail {

void Registry::Add(VexBaseUnknown* object, bool infrastructure) {
  _Objects[object] = ObjectRecord{{}, infrastructure, false};
}

void Registry::Remove(VexBaseUnknown* object) { _Objects.erase(object); }

void Registry::SetName(const VexBaseUnknown* object, std::string name) {
  auto found = _Objects.find(object);
  if (found != _Objects.end()) found->second.Name = std::move(name);
}

std::string Registry::NameOf(const VexBaseUnknown* object) const {
  auto found = _Objects.find(object);
  return found == _Objects.end() ? std::string() : found->second.Name;
}

bool Registry::Contains(const VexBaseUnknown* object) const { return _Objects.count(object) != 0; }

bool Registry::IsDead(const VexBaseUnknown* object) const {
  auto found = _Objects.find(object);
  return found != _Objects.end() && found->second.Dead;
}

void Registry::MarkDead(VexBaseUnknown* object) {
  auto found = _Objects.find(object);
  if (found == _Objects.end() || found->second.Dead) return;
  found->second.Dead = true;
  _Graveyard.push_back(object);
}

void Registry::RecordOverRelease(const VexBaseUnknown* object) {
  if (!Contains(object)) {
    _OverReleases.push_back("an object already destroyed");
    return;
  }
  std::string name = NameOf(object);
  _OverReleases.push_back(name.empty() ? "an unnamed object" : name);
}

void Registry::Reclaim(bool sessionObjectsToo) {
  // Freeing an object can release others: go on until nothing more may be freed.
  for (bool freed = true; freed;) {
    freed = false;
    std::vector<VexBaseUnknown*> kept;
    std::vector<VexBaseUnknown*> dead;
    dead.swap(_Graveyard);
    InternalScope internal;
    for (VexBaseUnknown* object : dead) {
      if (!sessionObjectsToo && _Objects[object].Infrastructure) {
        kept.push_back(object);
        continue;
      }
      delete object;
      freed = true;
    }
    _Graveyard.insert(_Graveyard.end(), kept.begin(), kept.end());
  }
}

std::string ClassOf(const VexBaseUnknown* object) {
  int status = 0;
  const char* mangled = typeid(*object).name();
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
  std::free(demangled);
  return name;
}

}  // namespace vexhost::detail

namespace vexhost {

std::string AccountingReport::Text() const {
  std::ostringstream out;
  if (Clean()) return "accounting: clean (no live host object, no unbalanced reference, no over-release)\n";
  for (const auto& line : Live) out << "live: " << line << '\n';
  for (const auto& line : Unbalanced) out << "unbalanced: " << line << '\n';
  for (const auto& line : OverReleases) out << "over-release: " << line << '\n';
  return out.str();
}

}  // namespace vexhost
