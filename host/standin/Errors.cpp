// Host errors and the error scope's hand-back.
#include "vex/Errors.h"

#include "HostState.h"

using namespace vexhost::detail;

const char* VexError::ClassName() { return "VexError"; }
const VexMetaClass& VexError::MetaClass() {
  static const VexMetaClass meta("VexError", &VexBaseUnknown::MetaClass());
  return meta;
}
const VexMetaClass* VexError::GetMetaObject() const { return &MetaClass(); }
VexError::VexError(const char* message) : _Message(message != nullptr ? message : "") {}
const char* VexError::GetMessage() const { return _Message.c_str(); }

const char* VexSystemError::ClassName() { return "VexSystemError"; }
const VexMetaClass& VexSystemError::MetaClass() {
  static const VexMetaClass meta("VexSystemError", &VexBaseUnknown::MetaClass());
  return meta;
}
const VexMetaClass* VexSystemError::GetMetaObject() const { return &MetaClass(); }
VexSystemError::VexSystemError(const char* message) : _Message(message != nullptr ? message : "") {}
const char* VexSystemError::GetMessage() const { return _Message.c_str(); }

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
}  // namespace

void VexXHContext::HandBack(VexBaseUnknown* error) noexcept {
  HostState& host = Host();
  vexhost::CaughtError caught = Describe(error);
  const std::uint32_t count = vexhost::Inspect::RefCount(*error);
  // Two references: the one that travelled with the exception and the handler's.
  if (host.Objects.IsDead(error) || count == 0) {
    // The handler released more than its own reference.
    host.Objects.RecordOverRelease(error);
    caught.ReleasedByHandler = true;
  } else {
    caught.ReleasedByHandler = count == 1;
    if (count >= 2) Unref(error);  // the host takes back the handler's reference
    Unref(error);
  }
  host.Errors.push_back(std::move(caught));
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
  try {
    call();
    return true;
  } catch (const VexRaisedError& raised) {
    VexBaseUnknown* error = raised.GetError();
    CaughtError caught = ::Describe(error);
    caught.Escaped = true;
    caught.Where = where;
    Host().Errors.push_back(caught);
    Unref(error);
    return false;
  }
}

}  // namespace vexhost::detail
