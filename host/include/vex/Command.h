// Commands and notifications: what every interactive host object is.
#pragma once

#include "vex/Base.h"
#include "vex/Strings.h"

using VexCommandMode = int;
using VexStatusChangeRC = int;

// A notification a command sends; its class name tells its kind.
class VexNotification : public VexBaseUnknown {
  VEX_DECLARE_CLASS
};

class VexEventSubscriber : public VexBaseUnknown {
  VEX_DECLARE_CLASS
};

class VexCommand : public VexEventSubscriber {
  VEX_DECLARE_CLASS
 public:
  explicit VexCommand(const VexString& name = VexString(), VexCommandMode mode = 0);
  ~VexCommand() override;

  virtual VexStatusChangeRC Activate(VexCommand* sender, VexNotification* notification);
  virtual VexStatusChangeRC Desactivate(VexCommand* sender, VexNotification* notification);
  virtual VexStatusChangeRC Cancel(VexCommand* sender, VexNotification* notification);
  // The resource file in which the host finds the object's texts; higher levels name the files of
  // the base classes, null past the root.
  virtual const char* GetResourceFilename(int level) const;

  // Asks the host to destroy this object later, once the current event is handled. A command ends
  // in one of two ways: a transition to a null target (the host ends and destroys it at once), or
  // this call on itself inside an action, Activate or BuildGraph (the host ends and destroys it
  // once the event is handled, whatever state a transition moved it to). Starting another command
  // or closing the document cancels (Cancel) and destroys the running one. A command run over the
  // running one for a while desactivates it (Desactivate) and, once over, activates it again
  // (Activate): a command may be activated more than once. A command's destructor
  // hands what it made (dialogs, agents) to this call: each in an error scope of its own.
  void RequestDelayedDestruction();
  // Drops the analyse-notification callbacks registered on this command for that sender and
  // notification: the notification no longer reaches the agents that listened through them.
  void RemoveAnalyseNotificationCB(VexCommand* sender, VexNotification* notification, void* reserved);

  const VexString& GetName() const;
  void SetName(const VexString& name);
};
