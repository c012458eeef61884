// Host errors and the error scope. A host error is a counted host object thrown as a C++
// exception; an error scope catches it, lends it to a handler and hands it back to the host.
#pragma once

#include "vex/Base.h"

// The common kind of host error.
class VexError : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 public:
  explicit VexError(const char* message);
  const char* GetMessage() const;
};

// A host error that is not a VexError: raised by the host's system layer.
class VexSystemError : public VexBaseUnknown {
  VEX_DECLARE_CLASS
 public:
  explicit VexSystemError(const char* message);
  const char* GetMessage() const;
};

// What travels as the C++ exception: the error, holding one reference for whoever catches it.
class VexRaisedError {
 public:
  explicit VexRaisedError(VexBaseUnknown* error);
  virtual ~VexRaisedError();
  VexBaseUnknown* GetError() const { return _Error; }

 private:
  VexBaseUnknown* _Error;
};

class VexXHContext {
 public:
  // Runs `body`; when a host error stops it, runs `handler` with the error and hands the error
  // back to the host. Returns true when the body ran to its end.
  //
  // The handler may test the error's kind (IsAKindOf with VexError::ClassName()). A caught
  // VexError holds a reference for the handler, which the handler may release; the host takes it
  // back when the handler keeps it. A caught error of any other kind is the host's: the handler
  // must not release it, and a release of it is recorded as an over-release.
  template <class Body, class Handler>
  static bool Guard(Body&& body, Handler&& handler) {
    VexBaseUnknown* error = nullptr;
    try {
      body();
      return true;
    } catch (const VexRaisedError& raised) {
      error = raised.GetError();
    }
    LendToHandler(error);
    try {
      handler(error);
    } catch (...) {
      HandBack(error);
      throw;
    }
    HandBack(error);
    return false;
  }

  // Raises `error`, which must hold the reference that the catching scope takes over.
  [[noreturn]] static void Raise(VexBaseUnknown* error);

 private:
  static void LendToHandler(VexBaseUnknown* error);
  // Records the error, takes back the handler's reference if the handler kept it, and drops the
  // reference that travelled with the exception.
  static void HandBack(VexBaseUnknown* error) noexcept;
};
