// State that a lower part of the host keeps for higher ones without knowing its type: an object's
// record keeps the state of each host class in the object's chain, a session each concern's part
// of it. Each higher concern reaches its own through an accessor of its own (DialogOf, EngineOf).
#pragma once

#include <memory>
#include <utility>

namespace vexhost::detail {

// One address per kind of kept state.
template <class T>
inline char KeptKind = 0;

// A short list searched by kind: a holder keeps a few states at most.
class KeptStates {
 public:
  KeptStates() = default;
  KeptStates(const KeptStates&) = delete;
  KeptStates& operator=(const KeptStates&) = delete;

  // The state of that type, or null when none was added.
  template <class T>
  T* Find() const {
    for (Node* node = _First.get(); node != nullptr; node = node->Next.get()) {
      if (node->Kind == &KeptKind<T>) return &static_cast<Held<T>*>(node)->Value;
    }
    return nullptr;
  }
  // The state of that type; one must have been added.
  template <class T>
  T& Get() const {
    return *Find<T>();
  }
  // Adds a state of that type, made with its defaults; a holder keeps one of a type.
  template <class T>
  T& Add() {
    auto held = std::make_unique<Held<T>>();
    T& value = held->Value;
    held->Kind = &KeptKind<T>;
    held->Next = std::move(_First);
    _First = std::move(held);
    return value;
  }
  // The state of that type, added when there is none yet.
  template <class T>
  T& Obtain() {
    T* found = Find<T>();
    return found != nullptr ? *found : Add<T>();
  }

 private:
  struct Node {
    virtual ~Node() = default;
    const void* Kind = nullptr;
    std::unique_ptr<Node> Next;
  };
  template <class T>
  struct Held : Node {
    T Value{};
  };

  std::unique_ptr<Node> _First;
};

}  // namespace vexhost::detail
