// Host errors and the error scope. A host error is a counted host object thrown as a C++
// exception; an error scope catches it, lends it to a handler and hands it back to the host.
//
// Who releases a caught error: the handler receives the error with a reference of its own. It
// may release a caught VexError, which marks the error handled. A caught error of any other kind
// (a VexSystemError) is the host's: releasing it is recorded as an over-release. Leaving the
// error alone is always right: the host takes back the handler's reference when the scope closes.
// Asking the kind (IsAKindOf(VexError::ClassName())) is a host call like any other and may raise
// in turn: ask it, and release, each in a scope of its own.
//
// Where no scope is open, a host error leaves the module: the host's own call into the module
// (Activate, BuildGraph, an action, a destructor) takes it and records it as escaped. Whatever the
// body held when it was stopped is the module's to give back, in the handler.
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
// Catch it by reference: it cannot be copied, since a copy would seem to hold a reference too.
class VexRaisedError {
 public:
  explicit VexRaisedError(VexBaseUnknown* error);
  VexRaisedError(const VexRaisedError&) = delete;
  VexRaisedError& operator=(const VexRaisedError&) = delete;
  // Moving hands the reference on: the error moved from holds none.
  VexRaisedError(VexRaisedError&& other) noexcept : _Error(other._Error) { other._Error = nullptr; }
  VexRaisedError& operator=(VexRaisedError&&) = delete;
  virtual ~VexRaisedError();
  VexBaseUnknown* GetError() const { return _Error; }

 private:
  VexBaseUnknown* _Error;
};

class VexXHContext {
 public:
  // Runs `body`; when a host error stops it, runs `handler` with the error and hands the error
  // back to the host. Returns true when the body ran to its end. An exception of another kind is
  // not caught.
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
