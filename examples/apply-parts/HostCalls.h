// Small helpers for calls into the host: error scopes, counted references and delayed destruction.
#pragma once

#include <string>

#include "vex/Errors.h"

namespace applyparts {

// This command releases no caught error: a VexError would be its to release, any other kind is
// the host's. Leaving both to the host is always right.
inline void LeaveToHost(VexBaseUnknown*) {}

// Runs `body` in an error scope of its own; whether it ran to its end.
template <class Body>
bool Guarded(Body&& body) {
  return VexXHContext::Guard(static_cast<Body&&>(body), LeaveToHost);
}

// Gives a counted pointer back, clearing the holder first so that no path releases it twice.
template <class Interface>
void ReleaseHeld(Interface*& held) {
  Interface* released = held;
  held = nullptr;
  if (released != nullptr) released->Release();
}

// The same in a scope of its own: for a handler already dealing with an error, or a destructor.
template <class Interface>
void ReleaseGuarded(Interface*& held) {
  Guarded([&] { ReleaseHeld(held); });
}

// Hands an owned host object to delayed destruction, in a scope of its own so that a host error
// leaves the next one to do.
template <class Owned>
void Dispose(Owned*& owned) {
  Guarded([&] {
    if (owned != nullptr) owned->RequestDelayedDestruction();
  });
  owned = nullptr;
}

// The first `width` characters of UTF-8 text.
inline std::string Fit(const std::string& text, int width) {
  std::size_t end = 0;
  for (int taken = 0; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && taken++ == width) break;
  }
  return text.substr(0, end);
}

}  // namespace applyparts
