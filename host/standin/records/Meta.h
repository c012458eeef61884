// Defines a host class's meta-class answers.
#pragma once

#define VEX_DEFINE_CLASS(Class, Parent)                           \
  const char* Class::ClassName() { return #Class; }               \
  const VexMetaClass& Class::MetaClass() {                        \
    static const VexMetaClass meta(#Class, &Parent::MetaClass()); \
    return meta;                                                  \
  }                                                               \
  const VexMetaClass* Class::GetMetaObject() const { return &MetaClass(); }
