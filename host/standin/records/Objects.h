// records: the bottom of the stand-in. The host's record of every object it accounts for (here):
// its name, its reference count, where it is in its life, and the state of the host classes in
// its chain, kept without knowing their types (Kept.h). Module objects derive from host classes,
// so their records are made the same way. The registries that account for records, the host's
// own reference counting, and the meta-class answers of host classes (Meta.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Kept.h"
#include "vex/Base.h"

namespace vexhost::detail {

class Registry;

// Where an object is in its life. A released object is dead to every caller; its destructor runs
// when the host reclaims it. A destroyed object's memory is kept until the host knows nothing can
// reach it any more, so a stray call on it is recorded instead of touching freed memory.
enum class Life { Alive, Released, Destroying, Destroyed };

}  // namespace vexhost::detail

class VexObjectImpl {
 public:
  explicit VexObjectImpl(VexBaseUnknown* object);
  VexObjectImpl(const VexObjectImpl&) = delete;
  VexObjectImpl& operator=(const VexObjectImpl&) = delete;
  ~VexObjectImpl();

  VexBaseUnknown* Object;  // the object's address, also once it is destroyed
  std::string Name;        // the name the journal and the reports give it
  std::uint32_t RefCount = 1;
  vexhost::detail::Life State = vexhost::detail::Life::Alive;
  bool Infrastructure = false;  // the session's own (layout, editor, products): checked for balance
  // Called when the last reference goes, before the object is reclaimed (a product releasing its
  // children, a factory its product).
  void (*LastRelease)(VexBaseUnknown& object) = nullptr;

  // The registry that accounts for the object, and its place in that registry's list.
  vexhost::detail::Registry* Owner = nullptr;
  VexObjectImpl* Previous = nullptr;
  VexObjectImpl* Next = nullptr;

  // The state of the host classes in the object's chain, each added by its class's constructor
  // and reached through its class's accessor (CommandOf, DialogOf, ...).
  vexhost::detail::KeptStates ClassStates;

  bool IsDead() const { return State == vexhost::detail::Life::Released || State == vexhost::detail::Life::Destroyed; }
};

namespace vexhost::detail {

inline VexObjectImpl& ImplOf(const VexBaseUnknown& object) { return *object.GetImpl(); }
// The state of one of the object's host classes; the object must be of that class.
template <class T>
T& ClassState(const VexBaseUnknown& object) {
  return ImplOf(object).ClassStates.Get<T>();
}

// The objects one session (or the process, for objects made outside a session and objects that
// outlived theirs) accounts for: a list, so that making and destroying an object costs the same
// whatever the number of objects.
class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  ~Registry();

  void Add(VexObjectImpl& record);
  void Remove(VexObjectImpl& record);
  // An object of this registry came to life or left it (see SetLife).
  void AliveChanged(bool alive) { alive ? ++_Alive : --_Alive; }
  // The objects of this registry that are alive: counted as they change, so that asking costs
  // nothing however many objects outlived their sessions.
  std::size_t Alive() const { return _Alive; }
  // Takes over the records of `other` that are still alive (the objects that outlived a session).
  void AdoptLiving(Registry& other);

  // The object's last reference is gone: it waits for reclamation.
  void Bury(VexObjectImpl& record) { _Graveyard.push_back(&record); }
  // The object's destructor has run; its memory is kept until the next reclamation, or freed at
  // once by a registry that does not quarantine (the process's, where no command runs).
  void Destroyed(void* memory, VexObjectImpl& record);
  // Destroys the released objects (the session's own ones only when `sessionObjectsToo`) and
  // frees the memory of the destroyed ones. Call it only when nothing can reach them any more.
  void Reclaim(bool sessionObjectsToo);

  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (VexObjectImpl* record = _First; record != nullptr; record = record->Next) visit(*record);
  }
  std::size_t Size() const { return _Size; }
  void SetQuarantines(bool quarantines) { _Quarantines = quarantines; }

 private:
  void FreeQuarantine();

  VexObjectImpl* _First = nullptr;
  VexObjectImpl* _Last = nullptr;
  std::size_t _Size = 0;
  std::size_t _Alive = 0;
  std::vector<VexObjectImpl*> _Graveyard;
  std::vector<std::pair<void*, VexObjectImpl*>> _Quarantine;
  bool _Quarantines = true;
};

// Moves an object to another stage of its life, keeping its registry's count of the living.
void SetLife(VexObjectImpl& record, Life next);

// Reference counting without the journal: the host's own holds. The host never holds a dead
// object; a count the module spent too early has been reported where it was spent.
void Ref(VexBaseUnknown* object);
void Unref(VexBaseUnknown* object);

// Runs the destructor of an object the host destroys (a child with its parent, a command that
// ended, a delayed destruction), also when its last reference was released before.
void DestroyObject(VexBaseUnknown* object);

// The C++ class of an object, for reports.
std::string ClassOf(const VexBaseUnknown* object);

// The object's name in the journal and the reports.
void SetObjectName(const VexBaseUnknown* object, std::string name);

}  // namespace vexhost::detail
