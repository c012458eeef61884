// The interim-product panel.
#include "VexStrInterimProdPanel.h"

#include "vex/Errors.h"

// GCOVR_EXCL_BR_LINE marks a new-expression: its branches (a null allocation skips the constructor,
// a raising constructor frees the memory) are the compiler's, not the module's decisions.
namespace {
constexpr VexDialogStyle DialogStyle = 0x1040C00;
constexpr VexDialogStyle FrameStyle = 0xC0000;
constexpr VexDialogStyle SeparatorStyle = 0x40000;
constexpr VexDialogStyle ComboStyle = 0x40000;
constexpr VexDialogStyle PlainStyle = 0;

constexpr VexDlgAttachment Attached = 1;
constexpr VexDlgAttachment Spaced = 4;
constexpr VexDlgAttachment Row = 5;

constexpr int WholeText = -1;
constexpr int EditorWidth = 24;
constexpr int EditorMaxWidth = 72;

void LeaveToHost(VexBaseUnknown*) {}

// Lays two widgets out in one row of `frame`. The list is ended by a null, and a null at its head
// would end it there: a widget that could not be created is left out instead of passed.
void AttachRow(VexDlgFrame* frame, VexDlgAttachPosition position, VexDialog* first, VexDialog* second) {
  if (first == nullptr) {
    frame->SetHorizontalAttachment(position, Row, second, nullptr);
  } else {
    frame->SetHorizontalAttachment(position, Row, first, second, nullptr);
  }
}
}  // namespace

VexStrInterimProdPanel::VexStrInterimProdPanel(VexDialog* parent, const VexString& name)
    : VexDlgDialog(parent, name, DialogStyle) {
  VexXHContext::Guard(
      [&] {
        _IPFrame = nullptr;
        _FrmIPType = nullptr;
        _LabelPartNumber = nullptr;
        _LabelIPLevel = nullptr;
        _ComboIPLevel = nullptr;
        _EditorPartNumber = nullptr;
        _FrmClass = nullptr;
        _Separator1 = nullptr;
      },
      LeaveToHost);
}

VexStrInterimProdPanel::~VexStrInterimProdPanel() {
  // Drop whatever analyse callbacks are still registered for the dialog's own buttons, each in
  // its own scope: a host error while dropping one must not leave the others registered.
  const auto drop = [this](auto notification) {
    VexXHContext::Guard([&] { RemoveAnalyseNotificationCB(this, notification(), nullptr); }, LeaveToHost);
  };
  drop([this] { return GetDiaOKNotification(); });
  drop([this] { return GetDiaCANCELNotification(); });
  drop([this] { return GetWindCloseNotification(); });
  ForgetWidgets();
}

void VexStrInterimProdPanel::ForgetWidgets() {
  _IPFrame = nullptr;
  _FrmIPType = nullptr;
  _LabelPartNumber = nullptr;
  _LabelIPLevel = nullptr;
  _ComboIPLevel = nullptr;
  _EditorPartNumber = nullptr;
  _FrmClass = nullptr;
  _Separator1 = nullptr;
}

void VexStrInterimProdPanel::RemoveEarlierWidgets() {
  // The four widgets at the top of a set; the others are their children and go with them.
  VexDialog* const earlier[] = {_IPFrame, _FrmClass, _Separator1, _FrmIPType};
  // No field may point at a widget on its way out, also when a host error stops the new set.
  ForgetWidgets();
  for (VexDialog* widget : earlier) {
    if (widget == nullptr) continue;
    // Handed over first: the host takes it even when the call raises, so that no failure keeps
    // an earlier set for good. Hidden at once, before the host gets round to destroying it.
    VexXHContext::Guard(
        [&] {
          widget->RequestDelayedDestruction();
          widget->SetVisibility(VexDlgHide);
        },
        LeaveToHost);
  }
}

const char* VexStrInterimProdPanel::GetResourceFilename(int level) const {
  if (level <= 0) return "VexStrInterimProdPanel";
  return VexDialog::GetResourceFilename(level - 1);
}

void VexStrInterimProdPanel::Build(VexUnicodeString first, VexUnicodeString second) {
  VexXHContext::Guard(
      [&] {
        // One set of widgets at a time: what the person sees is what the accessors read.
        RemoveEarlierWidgets();

        // One key and one text serve the three lookups; the text is not emptied between them.
        VexString key;
        VexUnicodeString text;

        key = "InterimProductPanel";
        if (GetResourceValueFromKey(key, text, nullptr) != 0) SetTitle(text);

        _IPFrame = new VexDlgFrame(this, "VexStrIPFrame2", FrameStyle);  // GCOVR_EXCL_BR_LINE
        if (_IPFrame != nullptr) {
          _LabelPartNumber = new VexDlgLabel(_IPFrame, "labelpartnumber", PlainStyle);  // GCOVR_EXCL_BR_LINE
          if (_LabelPartNumber != nullptr) {
            key = "LabelPartNumber";
            GetResourceValueFromKey(key, text, nullptr);
            _LabelPartNumber->SetTitle(text);
          }
          _EditorPartNumber = new VexDlgEditor(_IPFrame, "editorpartnumber", PlainStyle);  // GCOVR_EXCL_BR_LINE
          if (_EditorPartNumber != nullptr) {
            _EditorPartNumber->SetVisibleTextHeight(1);
            _EditorPartNumber->SetMaxCharacterWidth(EditorMaxWidth);
            _EditorPartNumber->SetVisibleTextWidth(EditorWidth);
          }
        }

        _FrmClass = new VexStrObjectClassFrame(this, "frmClass", first, second, FrameStyle);  // GCOVR_EXCL_BR_LINE
        if (_FrmClass != nullptr) {
          _FrmClass->Build();
          if (VexDlgEditor* classEditor = _FrmClass->GetEditorObject()) {
            classEditor->SetMaxCharacterWidth(EditorMaxWidth);
            classEditor->SetVisibleTextWidth(EditorWidth);
          }
        }

        _Separator1 = new VexDlgSeparator(this, "Separator1", SeparatorStyle);  // GCOVR_EXCL_BR_LINE

        _FrmIPType = new VexDlgFrame(this, "FrmIPType", FrameStyle);  // GCOVR_EXCL_BR_LINE
        if (_FrmIPType != nullptr) {
          _LabelIPLevel = new VexDlgLabel(_FrmIPType, "LabelIPLevel", PlainStyle);  // GCOVR_EXCL_BR_LINE
          if (_LabelIPLevel != nullptr) {
            key = "IPLevel";
            GetResourceValueFromKey(key, text, nullptr);
            _LabelIPLevel->SetTitle(text);
          }
          _ComboIPLevel = new VexDlgCombo(_FrmIPType, "ComboIPLevel", ComboStyle);  // GCOVR_EXCL_BR_LINE
          if (_ComboIPLevel != nullptr) {
            _ComboIPLevel->SetLine("2", VexDlgCombo::VexDlgComboAppend, VexDlgCombo::VexDlgComboSelect);
            _ComboIPLevel->SetSensitivity(VexDlgInsensitive);
          }
        }

        // One column of four rows: class frame, part number, separator, level.
        SetVerticalAttachment(0, Attached, _FrmClass, nullptr);
        SetVerticalAttachment(0, Attached, _IPFrame, nullptr);
        SetVerticalAttachment(0, Attached, _Separator1, nullptr);
        SetVerticalAttachment(5, Spaced, _Separator1, nullptr);
        SetVerticalAttachment(0, Attached, _FrmIPType, nullptr);
        SetHorizontalAttachment(0, Row, _FrmClass, nullptr);
        SetHorizontalAttachment(5, Row, _IPFrame, nullptr);
        SetHorizontalAttachment(10, Row, _Separator1, nullptr);
        SetHorizontalAttachment(15, Row, _FrmIPType, nullptr);
        // Inside each small frame: the label in column 0, the editor or combo in column 5.
        if (_IPFrame != nullptr) {
          _IPFrame->SetVerticalAttachment(0, Attached, _LabelPartNumber, nullptr);
          _IPFrame->SetVerticalAttachment(5, Attached, _EditorPartNumber, nullptr);
          AttachRow(_IPFrame, 5, _LabelPartNumber, _EditorPartNumber);
        }
        if (_FrmIPType != nullptr) {
          _FrmIPType->SetVerticalAttachment(0, Attached, _LabelIPLevel, nullptr);
          _FrmIPType->SetVerticalAttachment(5, Attached, _ComboIPLevel, nullptr);
          AttachRow(_FrmIPType, 0, _LabelIPLevel, _ComboIPLevel);
        }

        // OK stays off until a class is chosen.
        SetOKSensitivity(VexDlgInsensitive);
      },
      LeaveToHost);
}

VexUnicodeString VexStrInterimProdPanel::GetPartNumber() {
  // Without the editor (before Build, or when it could not be created) there is no part number.
  if (_EditorPartNumber == nullptr) return VexUnicodeString();
  VexUnicodeString partNumber(" ");
  _EditorPartNumber->GetLine(partNumber, WholeText);
  return partNumber;
}

void VexStrInterimProdPanel::SetPartNumber(VexUnicodeString partNumber) {
  if (_EditorPartNumber == nullptr) return;
  _EditorPartNumber->ClearLine(WholeText);
  _EditorPartNumber->SetLine(partNumber, WholeText);
}

VexUnicodeString VexStrInterimProdPanel::GetSelectedClass() {
  VexUnicodeString selected;
  if (_FrmClass != nullptr) selected = _FrmClass->GetSelectedClass();
  return selected;
}

void VexStrInterimProdPanel::SetClassObject(VexUnicodeString* classObject) {
  // Branch never taken with this host: the command always passes a string of its own.
  if (_FrmClass == nullptr || classObject == nullptr) return;
  // The frame takes a modifiable text: it gets a copy, never the caller's string.
  VexUnicodeString copy(classObject->CastToCharPtr());
  _FrmClass->SetClassObject(copy);
}

void VexStrInterimProdPanel::SetBrowserSensitivity(unsigned int code) {
  if (_FrmClass == nullptr) return;
  if (VexDlgPushButton* browser = _FrmClass->GetBrowserCmd()) browser->SetSensitivity(code);
}

void VexStrInterimProdPanel::SetOKSensitivity(unsigned int code) { VexDlgDialog::SetOKSensitivity(code); }
