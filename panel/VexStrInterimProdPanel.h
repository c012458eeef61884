// The interim-product panel: an object-class frame, a part-number row, a separator and a level
// row showing "2", in a dialog with OK and Cancel.
#pragma once

#include "vex/Dialogs.h"
#include "vex/ObjectClassFrame.h"

class VexStrInterimProdPanel : public VexDlgDialog {
 public:
  VexStrInterimProdPanel(VexDialog* parent, const VexString& name);
  ~VexStrInterimProdPanel() override;

  const char* GetResourceFilename(int level) const override;

  // Creates and lays out the widgets; the two strings go to the object-class frame in this order.
  // A set that an earlier call made is hidden and handed to delayed destruction first.
  void Build(VexUnicodeString first, VexUnicodeString second);

  VexUnicodeString GetPartNumber();
  void SetPartNumber(VexUnicodeString partNumber);
  VexUnicodeString GetSelectedClass();
  void SetClassObject(VexUnicodeString* classObject);
  void SetBrowserSensitivity(unsigned int code);
  void SetOKSensitivity(unsigned int code);

 private:
  void ForgetWidgets();
  void RemoveEarlierWidgets();

  // Widgets are children of the dialog and die with it; these pointers only borrow them.
  VexDlgFrame* _IPFrame;
  VexDlgFrame* _FrmIPType;
  VexDlgLabel* _LabelPartNumber;
  VexDlgLabel* _LabelIPLevel;
  VexDlgCombo* _ComboIPLevel;
  VexDlgEditor* _EditorPartNumber;
  VexStrObjectClassFrame* _FrmClass;
  VexDlgSeparator* _Separator1;
};
