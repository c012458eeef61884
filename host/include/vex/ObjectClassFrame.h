// The host's object-class frame: an editor showing a class and a button that opens the class
// browser. It sends a VexStrObjectClassFrameNotif whenever the user chooses a class.
#pragma once

#include "vex/Dialogs.h"

class VexStrObjectClassFrameNotif : public VexNotification {
  VEX_DECLARE_CLASS
};

class VexStrObjectClassFrame : public VexDlgFrame {
  VEX_DECLARE_CLASS
 public:
  // `family` names the family of classes the browser offers; `initialClass` is shown until a
  // class object is set or chosen.
  VexStrObjectClassFrame(VexDialog* parent, const VexString& name, const VexUnicodeString& family,
                         const VexUnicodeString& initialClass, VexDialogStyle style);
  ~VexStrObjectClassFrame() override;

  // Creates the frame's editor and its browser button.
  void Build();
  VexDlgEditor* GetEditorObject() const;
  VexDlgPushButton* GetBrowserCmd() const;
  // The class chosen last (or set as class object), empty when none.
  VexUnicodeString GetSelectedClass() const;
  void SetClassObject(VexUnicodeString& classObject);
};
