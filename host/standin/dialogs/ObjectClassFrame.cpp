// The object-class frame: an editor with the chosen class and a button that opens the browser of
// the frame's family of classes.
#include "vex/ObjectClassFrame.h"

#include "Dialogs.h"
#include "gate/Gate.h"
#include "records/Meta.h"
#include "records/Objects.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexStrObjectClassFrameNotif, VexNotification)
VEX_DEFINE_CLASS(VexStrObjectClassFrame, VexDlgFrame)

VexStrObjectClassFrame::VexStrObjectClassFrame(VexDialog* parent, const VexString& name, const VexUnicodeString& family,
                                               const VexUnicodeString& initialClass, VexDialogStyle style)
    : VexDlgFrame(parent, name, style) {
  // A fault planned on the construction comes before the frame owns anything.
  ConstructedAs(this, "VexStrObjectClassFrame",
                {Describe(parent), Quote(name.CastToCharPtr()), Quote(family.CastToCharPtr()),
                 Quote(initialClass.CastToCharPtr()), std::to_string(style)});
  CheckText("VexStrObjectClassFrame", this, family);
  CheckText("VexStrObjectClassFrame", this, initialClass);
  auto& state = GetImpl()->ClassStates.Add<ClassFrameState>();
  state.Family = family.CastToCharPtr();
  state.Selected = initialClass;
  state.Notification = MakeInternal<VexStrObjectClassFrameNotif>();
  SetObjectName(state.Notification, std::string(name.CastToCharPtr()) + ".ClassChosen");
}

VexStrObjectClassFrame::~VexStrObjectClassFrame() {
  InternalScope internal;
  delete ClassFrameOf(*this).Notification;
}

void VexStrObjectClassFrame::Build() {
  if (!Gate("Build", this)) return;
  ClassFrameState& state = ClassFrameOf(*this);
  // The frame's own widgets are host allocations made for the caller: they may fail.
  state.Editor = new VexDlgEditor(this, "ClassEditor", 0);
  state.Browser = new VexDlgPushButton(this, "ClassBrowser", 0);
  InternalScope internal;
  if (state.Editor != nullptr) state.Editor->SetLine(state.Selected, -1);
  if (state.Browser != nullptr) state.Browser->SetTitle("...");
}

VexDlgEditor* VexStrObjectClassFrame::GetEditorObject() const {
  if (!Gate("GetEditorObject", this)) return nullptr;
  return ClassFrameOf(*this).Editor;
}

VexDlgPushButton* VexStrObjectClassFrame::GetBrowserCmd() const {
  if (!Gate("GetBrowserCmd", this)) return nullptr;
  return ClassFrameOf(*this).Browser;
}

VexUnicodeString VexStrObjectClassFrame::GetSelectedClass() const {
  if (!Gate("GetSelectedClass", this)) return VexUnicodeString();
  return ClassFrameOf(*this).Selected;
}

void VexStrObjectClassFrame::SetClassObject(VexUnicodeString& classObject) {
  if (!Gate("SetClassObject", this, {Quote(classObject.CastToCharPtr())})) return;
  CheckText("SetClassObject", this, classObject);
  ClassFrameState& state = ClassFrameOf(*this);
  state.Selected = classObject;
  InternalScope internal;
  if (state.Editor != nullptr) state.Editor->SetLine(state.Selected, -1);
}
