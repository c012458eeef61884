// VexExApplyPartsCmd: its windows, what they show, and going from one to another.
#include "ApplyPartsCmd.h"
#include "HostCalls.h"
#include "vex/Application.h"

using applyparts::Fit;
using applyparts::Guarded;

namespace {
constexpr int WholeText = -1;
constexpr int CodeWidth = 8;
constexpr int PartNumberWidth = 24;
constexpr VexDlgAttachment Attached = 1;
}  // namespace

// Windows are made hidden; each is shown when its turn comes.
void VexExApplyPartsCmd::MakeWindows() {
  VexDialog* parent = nullptr;
  if (VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout()) parent = layout->GetMainWindow();
  _Panel = new VexDlgDialog(parent, "ApplyPartsPanel", 0);
  _Bar = new VexDlgDialog(parent, "ApplyBar", 0);
  _Confirm = new VexDlgDialog(parent, "ConfirmPartNumber", 0);
  _ErrorBox = new VexStrErrorBox("ApplyPartsError");
  if (_ErrorBox != nullptr) _ErrorBox->SetTitle("Add interim products");
  if (_Panel != nullptr) MakePanel();
  if (_Bar != nullptr) MakeBar();
  if (_Confirm != nullptr) MakeConfirmation();
}

// Two rows of a label and an editor; the class frame, made at activation, goes above them.
void VexExApplyPartsCmd::MakePanel() {
  _Panel->SetTitle("Add interim products");
  auto* codeLabel = new VexDlgLabel(_Panel, "labelcode", 0);
  auto* partNumberLabel = new VexDlgLabel(_Panel, "labelpartnumber", 0);
  auto* code = new VexDlgEditor(_Panel, "editorcode", 0);
  auto* partNumber = new VexDlgEditor(_Panel, "editorpartnumber", 0);
  if (codeLabel == nullptr || partNumberLabel == nullptr || code == nullptr || partNumber == nullptr) return;
  codeLabel->SetTitle("Numbered from:");
  partNumberLabel->SetTitle("Part number:");
  code->SetVisibleTextWidth(CodeWidth);
  code->SetMaxCharacterWidth(CodeWidth);
  partNumber->SetVisibleTextWidth(PartNumberWidth);
  partNumber->SetMaxCharacterWidth(PartNumberWidth);
  _Panel->SetHorizontalAttachment(1, Attached, codeLabel, code, nullptr);
  _Panel->SetHorizontalAttachment(2, Attached, partNumberLabel, partNumber, nullptr);
  _Panel->SetVerticalAttachment(0, Attached, codeLabel, partNumberLabel, nullptr);
  _Panel->SetVerticalAttachment(1, Attached, code, partNumber, nullptr);
  // Kept once all is made: the command is ready only with both editors.
  _Code = code;
  _PartNumber = partNumber;
}

void VexExApplyPartsCmd::MakeBar() {
  _Bar->SetTitle("Apply");
  _Added = new VexDlgLabel(_Bar, "labeladded", 0);
  if (_Added != nullptr) _Added->SetTitle("OK adds one product of the panel's class now.");
}

void VexExApplyPartsCmd::MakeConfirmation() {
  _Confirm->SetTitle("Confirm the part number");
  _Question = new VexDlgLabel(_Confirm, "labelquestion", 0);
}

// A class frame of the active product's family in the panel's first row, across both columns. The
// frame of an earlier activation is hidden and handed over first: the host takes it even when
// the call raises.
bool VexExApplyPartsCmd::MakeClassFrame(const VexUnicodeString& family, const VexUnicodeString& initialClass) {
  if (VexStrObjectClassFrame* earlier = _ClassFrame) {
    _ClassFrame = nullptr;
    Guarded([&] {
      earlier->RequestDelayedDestruction();
      earlier->SetVisibility(VexDlgHide);
    });
  }
  _ClassFrame = new VexStrObjectClassFrame(_Panel, "frmClass", family, initialClass, 0);
  if (_ClassFrame == nullptr) return false;
  _ClassFrame->SetTitle("Class of the products to add");
  _ClassFrame->Build();
  _Panel->SetHorizontalAttachment(0, Attached, _ClassFrame, nullptr);
  _Panel->SetVerticalAttachment(0, Attached, _ClassFrame, nullptr);
  _Panel->SetVerticalAttachment(1, Attached, _ClassFrame, nullptr);
  return true;
}

// The code is the part number as far as it fits; a part number the editor cannot hold whole is
// not shown rather than shown cut, which OK would then take for a new one.
void VexExApplyPartsCmd::FillPanel() {
  const VexUnicodeString current = _Product->GetPartNumber();
  _Code->SetLine(Fit(current.CastToCharPtr(), CodeWidth).c_str(), WholeText);
  _PartNumber->SetLine(current.GetLengthInChar() <= PartNumberWidth ? current : VexUnicodeString(), WholeText);
}

// The panel and the bar usable and waiting, nothing over them. May raise: the caller decides.
void VexExApplyPartsCmd::ResetToPanel() {
  _Confirm->SetVisibility(VexDlgHide);
  _ErrorBox->SetVisibility(VexDlgHide);
  _PanelAgent->InitializeAcquisition();
  _BarAgent->InitializeAcquisition();
  SetWorkSensitivity(VexDlgSensitive);
}

void VexExApplyPartsCmd::ShowPanelAndBar() {
  ResetToPanel();
  _Panel->SetVisibility(VexDlgShow);
  _Bar->SetVisibility(VexDlgShow);
}

void VexExApplyPartsCmd::SetWorkSensitivity(unsigned int code) {
  _Panel->SetSensitivity(code);
  _Bar->SetSensitivity(code);
}

// The error box over the insensitive panel and bar; `after` says where its OK leads. May raise:
// the caller decides what then.
void VexExApplyPartsCmd::ShowError(const std::string& message, AfterError after) {
  _AfterError = after;
  SetWorkSensitivity(VexDlgInsensitive);
  _ErrorBox->SetText(message.c_str());
  _ErrorAgent->InitializeAcquisition();
  _ErrorBox->SetVisibility(VexDlgShow);
}

// Back to the panel and the bar. When that cannot be done the command ends rather than leave a
// window that nothing can close.
void VexExApplyPartsCmd::ReturnToPanel() {
  if (!Guarded([&] { ResetToPanel(); })) EndNow();
}

void VexExApplyPartsCmd::HideAll() {
  for (VexDialog* window : {static_cast<VexDialog*>(_Panel), static_cast<VexDialog*>(_Bar),
                            static_cast<VexDialog*>(_Confirm), static_cast<VexDialog*>(_ErrorBox)}) {
    Guarded([&] {
      if (window != nullptr) window->SetVisibility(VexDlgHide);
    });
  }
}

// Ends the command from inside an action or Activate: the host destroys it once the event is
// handled, whichever state a transition moves it to. Asked once: the host takes the command at
// the first request, even one that then raises, and counts a second as a misuse.
void VexExApplyPartsCmd::EndNow() {
  HideAll();
  if (_EndAsked) return;
  _EndAsked = true;
  Guarded([&] { RequestDelayedDestruction(); });
}
