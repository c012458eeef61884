// The object-class frame: an editor with the chosen class and a button that opens the browser.
#include "HostState.h"
#include "Meta.h"

using namespace vexhost::detail;

VEX_DEFINE_CLASS(VexStrObjectClassFrameNotif, VexNotification)
VEX_DEFINE_CLASS(VexStrObjectClassFrame, VexDlgFrame)

VexStrObjectClassFrame::VexStrObjectClassFrame(VexDialog* parent, const VexString& name,
                                               const VexUnicodeString& category,
                                               const VexUnicodeString& initialClass, VexDialogStyle style)
    : VexDlgFrame(parent, name, style), _Category(category), _SelectedClass(initialClass) {
  ConstructedAs(this, "VexStrObjectClassFrame",
                {Describe(parent), Quote(name.CastToCharPtr()), Quote(category.CastToCharPtr()),
                 Quote(initialClass.CastToCharPtr()), std::to_string(style)});
  _Notification = MakeInternal<VexStrObjectClassFrameNotif>();
  SetObjectName(_Notification, std::string(name.CastToCharPtr()) + ".ClassChosen");
}

VexStrObjectClassFrame::~VexStrObjectClassFrame() {
  InternalScope internal;
  delete _Notification;
}

void VexStrObjectClassFrame::Build() {
  Boundary("Build", this);
  // The frame's own widgets are host allocations made for the caller: they may fail.
  _Editor = new VexDlgEditor(this, "ClassEditor", 0);
  _BrowserButton = new VexDlgPushButton(this, "ClassBrowser", 0);
  InternalScope internal;
  if (_Editor != nullptr) _Editor->SetLine(_SelectedClass, -1);
  if (_BrowserButton != nullptr) _BrowserButton->SetTitle("...");
}

VexDlgEditor* VexStrObjectClassFrame::GetEditorObject() const {
  Boundary("GetEditorObject", this);
  return _Editor;
}

VexDlgPushButton* VexStrObjectClassFrame::GetBrowserCmd() const {
  Boundary("GetBrowserCmd", this);
  return _BrowserButton;
}

VexUnicodeString VexStrObjectClassFrame::GetSelectedClass() const {
  Boundary("GetSelectedClass", this);
  return _SelectedClass;
}

void VexStrObjectClassFrame::SetClassObject(VexUnicodeString& classObject) {
  Boundary("SetClassObject", this, {Quote(classObject.CastToCharPtr())});
  _SelectedClass = classObject;
  InternalScope internal;
  if (_Editor != nullptr) _Editor->SetLine(_SelectedClass, -1);
}
