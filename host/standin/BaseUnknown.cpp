// The root host object: reference counting, meta-classes and the host allocator.
#include <cstdlib>
#include <cstring>

#include "HostState.h"

using namespace vexhost::detail;

bool operator==(const VexIID& left, const VexIID& right) {
  return left.Name == right.Name || std::strcmp(left.Name, right.Name) == 0;
}

bool VexMetaClass::IsKindOf(const char* name) const {
  for (const VexMetaClass* meta = this; meta != nullptr; meta = meta->GetParent()) {
    if (std::strcmp(meta->GetName(), name) == 0) return true;
  }
  return false;
}

const char* VexBaseUnknown::ClassName() { return "VexBaseUnknown"; }
const VexMetaClass& VexBaseUnknown::MetaClass() {
  static const VexMetaClass meta("VexBaseUnknown", nullptr);
  return meta;
}
const VexMetaClass* VexBaseUnknown::GetMetaObject() const { return &MetaClass(); }

VexBaseUnknown::VexBaseUnknown() { Host().Objects.Add(this, Host().InfrastructureDepth > 0); }

VexBaseUnknown::~VexBaseUnknown() {
  Host().Objects.Remove(this);
}

VexHRESULT VexBaseUnknown::QueryInterface(const VexIID& iid, void** out) {
  Boundary("QueryInterface", this, {iid.Name});
  if (out != nullptr) *out = nullptr;
  return VexE_NOINTERFACE;
}

std::uint32_t VexBaseUnknown::AddRef() {
  Boundary("AddRef", this);
  Ref(this);
  return _RefCount;
}

std::uint32_t VexBaseUnknown::Release() {
  Host().TheJournal.Append({"Release", Describe(this), {}, std::string(vexhost::ModuleToHost), {}});
  const bool wasZero = _RefCount == 0;
  Unref(this);
  const std::uint32_t left = wasZero ? 0 : _RefCount;
  // A fault planned on Release is raised after the reference is gone, as when the host fails in
  // work it does after the release: the count stays right either way.
  if (auto kind = Host().Faults.ShouldRaise("Release", Describe(this))) {
    RaiseHostError(*kind, "host error raised by the fault plan at Release");
  }
  return left;
}

void VexBaseUnknown::OnLastRelease() {}

int VexBaseUnknown::IsA(const char* className) const {
  Boundary("IsA", this, {Quote(className)});
  return std::strcmp(GetMetaObject()->GetName(), className) == 0 ? 1 : 0;
}

int VexBaseUnknown::IsAKindOf(const char* className) const {
  Boundary("IsAKindOf", this, {Quote(className)});
  return GetMetaObject()->IsKindOf(className) ? 1 : 0;
}

void* VexBaseUnknown::operator new(std::size_t size) noexcept {
  HostState& host = Host();
  if (host.InternalDepth == 0) {
    host.TheJournal.Append({"Allocate", "", {std::to_string(size)}, std::string(vexhost::ModuleToHost), {}});
    if (host.Faults.ShouldFailAllocation()) return nullptr;
  }
  return std::malloc(size);
}

void VexBaseUnknown::operator delete(void* memory) noexcept { std::free(memory); }

namespace vexhost::detail {

void Ref(VexBaseUnknown* object) { ++Inspect::RefCount(*object); }

void Unref(VexBaseUnknown* object) {
  // A host structure may still point to an object that others released too often: look it up
  // before touching it.
  if (!Host().Objects.Contains(object)) {
    Host().Objects.RecordOverRelease(object);
    return;
  }
  std::uint32_t& count = Inspect::RefCount(*object);
  if (count == 0 || Host().Objects.IsDead(object)) {
    Host().Objects.RecordOverRelease(object);
    return;
  }
  if (--count == 0) {
    Host().Objects.MarkDead(object);
    Inspect::LastRelease(*object);
  }
}

}  // namespace vexhost::detail
