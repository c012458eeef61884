// Host errors and the error scope's hand-back.
#include "vex/Errors.h"

#include <functional>
#include <string>
#include <thread>

#include "Gate.h"
#include "records/Objects.h"
#include "session/SessionState.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"

using namespace vexhost::detail;

namespace {
struct ErrorState {
  std::string Message;
};

void SetMessage(VexBaseUnknown& error, const char* message) {
  ImplOf(error).ClassStates.Add<ErrorState>().Message = message != nullptr ? message : "";
}
const char* MessageOf(const VexBaseUnknown& error) { return ClassState<ErrorState>(error).Message.c_str(); }
}  // namespace

const char* VexError::ClassName() { return "VexError"; }
const VexMetaClass& VexError::MetaClass() {
  static const VexMetaClass meta("VexError", &VexBaseUnknown::MetaClass());
  return meta;
}
const VexMetaClass* VexError::GetMetaObject() const { return &MetaClass(); }
VexError::VexError(const char* message) { SetMessage(*this, message); }
const char* VexError::GetMessage() const { return MessageOf(*this); }

const char* VexSystemError::ClassName() { return "VexSystemError"; }
const VexMetaClass& VexSystemError::MetaClass() {
  static const VexMetaClass meta("VexSystemError", &VexBaseUnknown::MetaClass());
  return meta;
}
const VexMetaClass* VexSystemError::GetMetaObject() const { return &MetaClass(); }
VexSystemError::VexSystemError(const char* message) { SetMessage(*this, message); }
const char* VexSystemError::GetMessage() const { return MessageOf(*this); }

VexRaisedError::VexRaisedError(VexBaseUnknown* error) : _Error(error) {}
VexRaisedError::~VexRaisedError() = default;

void VexXHContext::Raise(VexBaseUnknown* error) { throw VexRaisedError(error); }

void VexXHContext::LendToHandler(VexBaseUnknown* error) { Ref(error); }

namespace {
vexhost::CaughtError Describe(VexBaseUnknown* error) {
  vexhost::CaughtError caught;
  if (auto* vexError = dynamic_cast<VexError*>(error)) {
    caught.Kind = "VexError";
    caught.Message = vexError->GetMessage();
  } else if (auto* systemError = dynamic_cast<VexSystemError*>(error)) {
    caught.Kind = "VexSystemError";
    caught.Message = systemError->GetMessage();
  } else {
    caught.Kind = "unknown";
  }
  return caught;
}

void Keep(vexhost::CaughtError caught) {
  if (vexhost::Session::State* session = OpenSession()) session->Errors.push_back(std::move(caught));
}
}  // namespace

void VexXHContext::HandBack(VexBaseUnknown* error) noexcept {
  VexObjectImpl& record = ImplOf(*error);
  vexhost::CaughtError caught = Describe(error);
  if (record.IsDead()) {
    // The handler released the reference that travelled with the error as well as its own.
    RecordOverRelease(record, vexhost::ModuleToHost);
    caught.ReleasedByHandler = true;
  } else {
    // Two references: the one that travelled with the exception and the handler's.
    caught.ReleasedByHandler = record.RefCount == 1;
    // Only a VexError is the handler's to release; an error of any other kind stays the host's.
    if (caught.ReleasedByHandler && dynamic_cast<VexError*>(error) == nullptr) {
      RecordOverRelease(record, vexhost::ModuleToHost, "a caught " + caught.Kind + " is the host's to release");
    }
    if (record.RefCount >= 2) Unref(error);  // the host takes back the handler's reference
    Unref(error);
  }
  Keep(std::move(caught));
}

namespace vexhost::detail {

void RaiseHostError(ErrorKind kind, const std::string& message) {
  VexBaseUnknown* error = nullptr;
  if (kind == ErrorKind::VexError) {
    error = MakeInternal<VexError>(message.c_str());
  } else {
    error = MakeInternal<VexSystemError>(message.c_str());
  }
  SetObjectName(error, kind == ErrorKind::VexError ? "VexError" : "VexSystemError");
  VexXHContext::Raise(error);
}

bool AtTopLevel(const char* where, const std::function<void()>& call) {
  // The host calls the module on its user-interface thread: whichever thread this is, it is that one.
  ProcessSessions().InterfaceThread = std::this_thread::get_id();
  try {
    call();
    return true;
  } catch (const VexRaisedError& raised) {
    VexBaseUnknown* error = raised.GetError();
    CaughtError caught = ::Describe(error);
    caught.Escaped = true;
    caught.Where = where;
    Keep(std::move(caught));
    Unref(error);
    return false;
  }
}

}  // namespace vexhost::detail
