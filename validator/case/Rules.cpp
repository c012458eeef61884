#include "Rules.h"

namespace vexvalidator {

const Rule* RuleOfKind(std::string_view kind) {
  for (const Rule& rule : RuleTable) {
    if (kind == rule.Kind) return &rule;
  }
  return nullptr;
}

}  // namespace vexvalidator
