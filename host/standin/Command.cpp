// Commands: names, the default status operations, delayed destruction and analyse callbacks.
#include <algorithm>
#include <cstring>

#include "HostState.h"
#include "Meta.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexNotification, VexBaseUnknown)
VEX_DEFINE_CLASS(VexEventSubscriber, VexBaseUnknown)
VEX_DEFINE_CLASS(VexCommand, VexEventSubscriber)

VexCommand::VexCommand(const VexString& name, VexCommandMode mode) : _Name(name), _Mode(mode) {
  // A command the host creates through the dictionary is known by its registered name.
  std::string& creating = Host().CreatingCommand;
  if (_Name.GetLength() == 0 && !creating.empty()) {
    _Name = creating.c_str();
    creating.clear();
  }
  SetObjectName(this, _Name.CastToCharPtr());
}

VexCommand::~VexCommand() {
  // An object destroyed before its delayed destruction came is not destroyed again.
  std::erase(Host().Delayed, this);
}

VexStatusChangeRC VexCommand::Activate(VexCommand*, VexNotification*) { return 0; }
VexStatusChangeRC VexCommand::Desactivate(VexCommand*, VexNotification*) { return 0; }
VexStatusChangeRC VexCommand::Cancel(VexCommand*, VexNotification*) { return 0; }

namespace vexhost::detail {
// The resource file of a host class at a level: the class itself at 0, then its ancestors.
const char* ResourceFileOfClass(const VexMetaClass& meta, int level) {
  const VexMetaClass* current = &meta;
  for (int i = 0; i < level && current != nullptr; ++i) current = current->GetParent();
  return current != nullptr ? current->GetName() : nullptr;
}
}  // namespace vexhost::detail

const char* VexCommand::GetResourceFilename(int level) const {
  return ResourceFileOfClass(VexCommand::MetaClass(), level < 0 ? 0 : level);
}

void VexCommand::RequestDelayedDestruction() {
  Host().TheJournal.Append({"RequestDelayedDestruction", Describe(this), {}, std::string(vexhost::ModuleToHost), {}});
  auto& delayed = Host().Delayed;
  if (std::find(delayed.begin(), delayed.end(), this) == delayed.end()) delayed.push_back(this);
  // Like a release, a planned fault comes after the host has taken the object: a failing disposal
  // does not leave the object to nobody.
  if (auto kind = Host().Faults.ShouldRaise("RequestDelayedDestruction", Describe(this))) {
    RaiseHostError(*kind, "host error raised by the fault plan at RequestDelayedDestruction");
  }
}

void VexCommand::RemoveAnalyseNotificationCB(VexCommand* sender, VexNotification* notification, void*) {
  Boundary("RemoveAnalyseNotificationCB", this, {Describe(sender), Describe(notification), "null"});
  std::erase_if(_AnalyseCallbacks, [&](const AnalyseCallback& callback) {
    return callback.Sender == sender && callback.Notification == notification;
  });
}

const VexString& VexCommand::GetName() const { return _Name; }

void VexCommand::SetName(const VexString& name) {
  _Name = name;
  SetObjectName(this, name.CastToCharPtr());
}
