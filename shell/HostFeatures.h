// What this build of the stand-in host can report or do beyond the basics, found at compile time,
// so that the tools use a feature from the build on that has it and say plainly when it is
// missing: dead-object violations in the accounting and the load record, and faults that make an
// operation return a status without raising.
#pragma once

#include <string>
#include <vector>

#include "vex/Base.h"
#include "vexhost/Accounting.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Session.h"

namespace vexshell {

template <class Report>
concept ReportsViolations = requires(const Report& report) {
  { report.Violations } -> std::convertible_to<std::vector<std::string>>;
};

template <class Plan>
concept FaultsStatuses = requires(Plan& plan) {
  plan.Status(std::string(), 1, VexHRESULT(-1), std::string(), vexhost::Persistence::Once);
};

// Calls on objects after their last release (or their destruction), recorded by the host.
inline constexpr bool HostReportsDeadObjects = ReportsViolations<vexhost::AccountingReport>;
// A second registration under a name, recorded by the host at load.
inline constexpr bool HostReportsLoadViolations = ReportsViolations<vexhost::LoadRecord>;
inline constexpr bool HostFaultsStatuses = FaultsStatuses<vexhost::FaultPlan>;

template <class Report>
std::vector<std::string> ViolationsOf(const Report& report) {
  if constexpr (ReportsViolations<Report>) {
    return report.Violations;
  } else {
    return {};
  }
}

// Arms a status fault; false when this host cannot.
template <class Plan = vexhost::FaultPlan>
bool ArmStatus(Plan& plan, const std::string& op, int nth, VexHRESULT value, const std::string& onObject,
               vexhost::Persistence persistence) {
  if constexpr (FaultsStatuses<Plan>) {
    plan.Status(op, nth, value, onObject, persistence);
    return true;
  } else {
    return false;
  }
}

}  // namespace vexshell
