// Object records, the registries that account for them, and the host's own reference counting.
#include "Objects.h"

#include <cstdlib>
#include <typeinfo>

#include <cxxabi.h>

VexObjectImpl::VexObjectImpl(VexBaseUnknown* object) : Object(object) {}
VexObjectImpl::~VexObjectImpl() = default;

namespace vexhost::detail {

Registry::~Registry() {
  FreeQuarantine();
  // What is left here outlived everything: its records go, its objects stay where they are.
  while (_First != nullptr) {
    VexObjectImpl* record = _First;
    Remove(*record);
    record->Owner = nullptr;
  }
}

void Registry::Add(VexObjectImpl& record) {
  record.Owner = this;
  record.Previous = _Last;
  record.Next = nullptr;
  (_Last != nullptr ? _Last->Next : _First) = &record;
  _Last = &record;
  ++_Size;
  if (record.State == Life::Alive) ++_Alive;
}

void Registry::Remove(VexObjectImpl& record) {
  (record.Previous != nullptr ? record.Previous->Next : _First) = record.Next;
  (record.Next != nullptr ? record.Next->Previous : _Last) = record.Previous;
  record.Previous = record.Next = nullptr;
  --_Size;
  if (record.State == Life::Alive) --_Alive;
}

void Registry::AdoptLiving(Registry& other) {
  for (VexObjectImpl* record = other._First; record != nullptr;) {
    VexObjectImpl* next = record->Next;
    if (record->State == Life::Alive) {
      other.Remove(*record);
      Add(*record);
    }
    record = next;
  }
}

void Registry::Destroyed(void* memory, VexObjectImpl& record) {
  if (_Quarantines) {
    _Quarantine.emplace_back(memory, &record);
    return;
  }
  Remove(record);
  delete &record;
  std::free(memory);
}

void Registry::Reclaim(bool sessionObjectsToo) {
  // Destroying an object can release others: go on until a pass destroys nothing.
  for (bool destroyed = true; destroyed;) {
    destroyed = false;
    std::vector<VexObjectImpl*> dead;
    dead.swap(_Graveyard);
    for (VexObjectImpl* record : dead) {
      if (record->State != Life::Released) continue;  // destroyed meanwhile, with its parent
      if (record->Infrastructure && !sessionObjectsToo) {
        _Graveyard.push_back(record);
        continue;
      }
      DestroyObject(record->Object);
      destroyed = true;
    }
  }
  FreeQuarantine();
}

void Registry::FreeQuarantine() {
  std::vector<std::pair<void*, VexObjectImpl*>> quarantine;
  quarantine.swap(_Quarantine);
  for (auto& [memory, record] : quarantine) {
    Remove(*record);
    delete record;
    std::free(memory);
  }
}

void SetLife(VexObjectImpl& record, Life next) {
  const bool was = record.State == Life::Alive;
  record.State = next;
  if (record.Owner != nullptr && was != (next == Life::Alive)) record.Owner->AliveChanged(!was);
}

void Ref(VexBaseUnknown* object) {
  VexObjectImpl& record = ImplOf(*object);
  if (!record.IsDead()) ++record.RefCount;
}

void Unref(VexBaseUnknown* object) {
  VexObjectImpl& record = ImplOf(*object);
  if (record.IsDead() || record.RefCount == 0) return;
  if (--record.RefCount > 0) return;
  SetLife(record, Life::Released);
  if (record.LastRelease != nullptr) record.LastRelease(*object);
  if (record.Owner != nullptr) record.Owner->Bury(record);
}

void DestroyObject(VexBaseUnknown* object) {
  VexObjectImpl& record = ImplOf(*object);
  if (record.State == Life::Destroyed || record.State == Life::Destroying) return;
  SetLife(record, Life::Destroying);
  delete object;
}

std::string ClassOf(const VexBaseUnknown* object) {
  int status = 0;
  const char* mangled = typeid(*object).name();
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
  std::free(demangled);
  return name;
}

void SetObjectName(const VexBaseUnknown* object, std::string name) { ImplOf(*object).Name = std::move(name); }

}  // namespace vexhost::detail
