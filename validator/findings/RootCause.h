// What tells one fault from another, whatever objects and counts its findings name: the kind, the
// operation, the class or the pattern of the object's name (a product of the document stands for
// every product, digits for any number), the line's verb and address for a crash or a hang. One
// forgotten release met on every product of the document is then one finding, seen in many cases.
#pragma once

#include <set>
#include <string>

#include "validator/case/Case.h"
#include "vexhost/Document.h"

namespace vexvalidator {

// The names of the objects the document gives the host: its products and their factories.
std::set<std::string> HostObjectNames(const vexhost::DocumentData& document);

// The root cause of a finding, as a key: findings with the same key are one fault.
std::string RootCause(const Finding& finding, const std::set<std::string>& hostNames);

}  // namespace vexvalidator
