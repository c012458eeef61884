// The root host object: reference counting, meta-classes and the host allocator.
#include "vex/Base.h"

#include <cstdlib>
#include <cstring>

#include "Gate.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vexhost/Journal.h"

using namespace vexhost::detail;

namespace {
// The object whose destructor has just ended, for the operator delete that follows it.
void* Destructed = nullptr;
VexObjectImpl* DestructedRecord = nullptr;
}  // namespace

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

VexBaseUnknown::VexBaseUnknown() : _Impl(new VexObjectImpl(this)) {
  _Impl->Infrastructure = ProcessSessions().InfrastructureDepth > 0;
  CurrentRegistry().Add(*_Impl);
}

VexBaseUnknown::~VexBaseUnknown() {
  // The record stays until the memory goes: a stray call on the destroyed object still finds it.
  SetLife(*_Impl, Life::Destroyed);
  Destructed = this;
  DestructedRecord = _Impl;
}

VexHRESULT VexBaseUnknown::QueryInterface(const VexIID& iid, void** out) {
  BoundaryCall call("QueryInterface", this, {iid.Name}, true);
  if (out != nullptr) *out = nullptr;
  if (call.Refused()) return VexE_FAIL;
  call.Return(Code(VexE_NOINTERFACE));
  return VexE_NOINTERFACE;
}

std::uint32_t VexBaseUnknown::AddRef() {
  BoundaryCall call("AddRef", this);
  if (call.Refused()) return 0;
  Ref(this);
  return _Impl->RefCount;
}

std::uint32_t VexBaseUnknown::Release() {
  BoundaryCall call("Release", this, {}, false, BoundaryCall::RaiseAfter);
  if (call.Refused()) return 0;
  // The host holds one reference on each object it owns (the layout, the main window, the editor,
  // the products); a module that borrowed such an object holds none of it to give back.
  if (_Impl->Infrastructure && _Impl->RefCount <= 1 && !InHostWork()) {
    RecordOverRelease(*_Impl, vexhost::ModuleToHost, "a host-owned object the module holds no reference to");
    return _Impl->RefCount;
  }
  Unref(this);
  const std::uint32_t left = _Impl->RefCount;
  // A fault planned on Release is raised after the reference is gone, as when the host fails in
  // work it does after the release: the count stays right either way.
  call.RaiseIfPlanned();
  return left;
}

int VexBaseUnknown::IsA(const char* className) const {
  if (!Gate("IsA", this, {Quote(className)})) return 0;
  return std::strcmp(GetMetaObject()->GetName(), className) == 0 ? 1 : 0;
}

int VexBaseUnknown::IsAKindOf(const char* className) const {
  if (!Gate("IsAKindOf", this, {Quote(className)})) return 0;
  return GetMetaObject()->IsKindOf(className) ? 1 : 0;
}

void* VexBaseUnknown::operator new(std::size_t size) noexcept {
  if (!InHostWork()) {
    CheckThread("Allocate", {});
    NoteCallAtLoad("Allocate", {});
    if (vexhost::Session::State* session = OpenSession()) {
      session->TheJournal.Append({"Allocate", "", {std::to_string(size)}, std::string(vexhost::ModuleToHost), {}, {}});
      if (session->Faults.ShouldFailAllocation()) return nullptr;
    }
  }
  return std::malloc(size);
}

void VexBaseUnknown::operator delete(void* memory) noexcept {
  VexObjectImpl* record = DestructedRecord;
  if (memory == nullptr || memory != Destructed || record == nullptr) {
    std::free(memory);
    return;
  }
  Destructed = nullptr;
  DestructedRecord = nullptr;
  if (record->Owner != nullptr) {
    record->Owner->Destroyed(memory, *record);
    return;
  }
  delete record;  // its registry went before it
  std::free(memory);
}
