// Root of every host object: reference counting, interface queries, meta-class answers and the
// host allocator.
//
// The contracts (host/include/vex) hold what this host offers to commands of this family and
// nothing more: there is no listing of a product's children, no reading back of a combo's lines,
// a widget's visibility or its sensitivity, and no state but a command's initial one. A module
// that builds against them uses nothing the real host lacks. What each operation does in this
// host, where the contract leaves a choice, is said where it is declared.
#pragma once

#include <cstddef>
#include <cstdint>

// The host's one-byte boolean.
using VexBoolean = unsigned char;

// Status of a host call: negative on failure.
using VexHRESULT = std::int32_t;
constexpr VexHRESULT VexS_OK = 0;
constexpr VexHRESULT VexE_FAIL = -1;
constexpr VexHRESULT VexE_NOINTERFACE = -2;

// Interface identifier. Two identifiers are equal when their names are.
struct VexIID {
  const char* Name;
};
bool operator==(const VexIID& left, const VexIID& right);

// What a host class says about itself: its name and the class it derives from.
class VexMetaClass {
 public:
  constexpr VexMetaClass(const char* name, const VexMetaClass* parent) : _Name(name), _Parent(parent) {}
  const char* GetName() const { return _Name; }
  const VexMetaClass* GetParent() const { return _Parent; }
  bool IsKindOf(const char* name) const;

 private:
  const char* _Name;
  const VexMetaClass* _Parent;
};

// Declares a host class's meta-class answers. Module classes do not use it: they answer as their base.
#define VEX_DECLARE_CLASS                 \
 public:                                  \
  static const char* ClassName();         \
  static const VexMetaClass& MetaClass(); \
  const VexMetaClass* GetMetaObject() const override;

// The host's own record of an object; its content is the host's.
class VexObjectImpl;

class VexBaseUnknown {
 public:
  static const char* ClassName();
  static const VexMetaClass& MetaClass();

  VexBaseUnknown();
  VexBaseUnknown(const VexBaseUnknown&) = delete;
  VexBaseUnknown& operator=(const VexBaseUnknown&) = delete;
  virtual ~VexBaseUnknown();

  // Fills `out` with a counted reference to the interface, or null with a negative status.
  virtual VexHRESULT QueryInterface(const VexIID& iid, void** out);
  virtual std::uint32_t AddRef();
  // Once the last reference is released the object is dead: every later call on it is refused
  // by the host and recorded.
  virtual std::uint32_t Release();

  virtual const VexMetaClass* GetMetaObject() const;
  int IsA(const char* className) const;
  int IsAKindOf(const char* className) const;

  // The host's record of this object.
  VexObjectImpl* GetImpl() const { return _Impl; }

  // The host allocator: null when it cannot provide the memory. It is noexcept so that a null
  // result skips the constructor.
  static void* operator new(std::size_t size) noexcept;
  static void operator delete(void* memory) noexcept;

 private:
  VexObjectImpl* _Impl;  // owned by the host, which may keep it after the object is gone
};
