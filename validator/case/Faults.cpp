#include "Faults.h"

#include "vexhost/FaultPlan.h"

namespace vexvalidator {

std::string FaultFamily::Name() const {
  std::string what;
  switch (What) {
    case Kind::Allocation:
      what = "allocation";
      break;
    case Kind::VexError:
      what = "VexError";
      break;
    case Kind::SystemError:
      what = "SystemError";
      break;
    case Kind::Status:
      what = "negative status of " + Operation;
      break;
    case Kind::EmptyAnswer:
      what = "no result from " + Operation;
      break;
  }
  return what + (When == vexdrive::FaultWhen::Once ? ", once" : ", from then on");
}

std::string FaultFamily::Line(int nth) const {
  const std::string number = std::to_string(nth);
  switch (What) {
    case Kind::Allocation:
      return vexdrive::ActionLine(vexdrive::Action::FailAllocation(nth, When));
    case Kind::VexError:
      return vexdrive::ActionLine(vexdrive::Action::Raise("*#" + number + ":VexError", When));
    case Kind::SystemError:
      return vexdrive::ActionLine(vexdrive::Action::Raise("*#" + number + ":SystemError", When));
    case Kind::Status:
      return vexdrive::ActionLine(
          vexdrive::Action::Status(Operation + "#" + number + "=" + std::to_string(NegativeStatus), When));
    case Kind::EmptyAnswer:
      return vexdrive::ActionLine(vexdrive::Action::Status(Operation + "#" + number + "=0", When));
  }
  return {};
}

const std::vector<FaultFamily>& FaultFamilies() {
  static const std::vector<FaultFamily> families = [] {
    using Kind = FaultFamily::Kind;
    std::vector<FaultFamily> all;
    for (Kind kind : {Kind::Allocation, Kind::VexError, Kind::SystemError}) {
      all.push_back({kind, vexdrive::FaultWhen::Once, {}});
      all.push_back({kind, vexdrive::FaultWhen::FromThenOn, {}});
    }
    for (const auto& operation : vexhost::FaultPlan::StatusOperations()) {
      all.push_back({Kind::Status, vexdrive::FaultWhen::Once, operation});
      all.push_back({Kind::Status, vexdrive::FaultWhen::FromThenOn, operation});
    }
    for (const auto& operation : vexhost::FaultPlan::EmptyAnswerOperations()) {
      all.push_back({Kind::EmptyAnswer, vexdrive::FaultWhen::Once, operation});
      all.push_back({Kind::EmptyAnswer, vexdrive::FaultWhen::FromThenOn, operation});
    }
    return all;
  }();
  return families;
}

}  // namespace vexvalidator
