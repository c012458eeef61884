// Commands: names, the default status operations, delayed destruction and analyse callbacks.
#include "vex/Command.h"

#include <algorithm>
#include <cstring>

#include "Commands.h"
#include "Dictionary.h"
#include "Engine.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "records/Objects.h"
#include "session/SessionState.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexNotification, VexBaseUnknown)
VEX_DEFINE_CLASS(VexEventSubscriber, VexBaseUnknown)
VEX_DEFINE_CLASS(VexCommand, VexEventSubscriber)

VexCommand::VexCommand(const VexString& name, VexCommandMode) {
  GetImpl()->ClassStates.Add<CommandState>();
  // A command the host creates through the dictionary is known by its registered name.
  std::string& creating = TheDictionary().CreatingCommand;
  if (name.GetLength() == 0 && !creating.empty()) {
    CommandOf(*this).Name = creating.c_str();
    creating.clear();
  } else {
    CommandOf(*this).Name = name;
  }
  SetObjectName(this, CommandOf(*this).Name.CastToCharPtr());
}

VexCommand::~VexCommand() {
  // An object destroyed before its delayed destruction came is not destroyed again.
  if (vexhost::Session::State* session = OpenSession()) std::erase(EngineOf(*session).Delayed, this);
}

VexStatusChangeRC VexCommand::Activate(VexCommand*, VexNotification*) { return 0; }
VexStatusChangeRC VexCommand::Desactivate(VexCommand*, VexNotification*) { return 0; }
VexStatusChangeRC VexCommand::Cancel(VexCommand*, VexNotification*) { return 0; }

namespace vexhost::detail {
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
  BoundaryCall call("RequestDelayedDestruction", this, {}, false, BoundaryCall::RaiseAfter);
  if (call.Refused()) return;
  if (vexhost::Session::State* session = OpenSession()) {
    auto& delayed = EngineOf(*session).Delayed;
    if (std::find(delayed.begin(), delayed.end(), this) == delayed.end()) {
      delayed.push_back(this);
    } else {
      // Destroyed once all the same; asking twice says the module lost track of what it disposed of.
      RecordMisuse("RequestDelayedDestruction", this, "asked a second time before the object was destroyed");
    }
  }
  // Like a release, a planned fault comes after the host has taken the object: a failing disposal
  // does not leave the object to nobody.
  call.RaiseIfPlanned();
}

void VexCommand::RemoveAnalyseNotificationCB(VexCommand* sender, VexNotification* notification, void*) {
  if (!Gate("RemoveAnalyseNotificationCB", this, {Describe(sender), Describe(notification), "null"})) return;
  std::erase_if(CommandOf(*this).AnalyseCallbacks, [&](const AnalyseCallback& callback) {
    return callback.Sender == sender && callback.Notification == notification;
  });
}

const VexString& VexCommand::GetName() const { return CommandOf(*this).Name; }

void VexCommand::SetName(const VexString& name) {
  if (!Gate("SetName", this, {Quote(name.CastToCharPtr())})) return;
  CommandOf(*this).Name = name;
  SetObjectName(this, name.CastToCharPtr());
}
