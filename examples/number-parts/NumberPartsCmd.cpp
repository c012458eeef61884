// VexExNumberPartsCmd: gives the active product a part number made of a prefix and a number.
//
//   NumberPartsPanel   a prefix editor (6 characters) and a number editor (12 characters), filled
//                      from the product's part number ("BA-200": "BA-" and "200").
//                      OK: a number of digits asks for confirmation; anything else shows the error
//                      box, whose OK returns to the panel. Cancel or the close box: nothing changes.
//   ConfirmNumbering   "Replace BA-200 with BA-0201?" OK sets the part number and ends the command
//                      (when the product refuses it, the error box says so); Cancel or the close
//                      box return to the panel.
//   NumberPartsError   a message box over the panel.
//
// A command has one state in this host, so each dialog has its own agent and every transition
// leaves that one state: back to it (the command waits for the next dialog) or to null (the
// command ends and the host destroys it). An action that decides to end the command asks for its
// own delayed destruction. While the confirmation or the error box is up the panel
// is insensitive, so nothing in it can be used. Everything is made at once; a command that could
// not make all it needs ends at once rather than show a dialog it could not close.
#include <string>

#include "vex/Application.h"
#include "vex/Dictionary.h"
#include "vex/ErrorBox.h"
#include "vex/Errors.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

#define VEX_EX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int WholeText = -1;
constexpr int PrefixWidth = 6;
constexpr int NumberWidth = 12;
constexpr VexDlgAttachment Attached = 1;

// This command releases no caught error: a VexError would be its to release, any other kind is
// the host's. Leaving both to the host is always right.
void LeaveToHost(VexBaseUnknown*) {}

// Gives a counted pointer back, clearing the holder first so that no path releases it twice.
template <class Interface>
void ReleaseHeld(Interface*& held) {
  Interface* released = held;
  held = nullptr;
  if (released != nullptr) released->Release();
}

// Hands an owned host object to delayed destruction, in a scope of its own so that a host error
// leaves the next one to do.
template <class Owned>
void Dispose(Owned*& owned) {
  VexXHContext::Guard(
      [&] {
        if (owned != nullptr) owned->RequestDelayedDestruction();
      },
      LeaveToHost);
  owned = nullptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "BA-200" splits into "BA-" and "200": the number is the trailing digits. Digits are single bytes
// in UTF-8, so the split never cuts a character.
std::string::size_type NumberStart(const std::string& partNumber) {
  std::string::size_type start = partNumber.size();
  while (start > 0 && IsDigit(partNumber[start - 1])) --start;
  return start;
}

}  // namespace

class VexExNumberPartsCmd : public VexStateCommand {
 public:
  VexExNumberPartsCmd() : VexStateCommand(0) {
    VexXHContext::Guard(
        [&] {
          VexDialog* parent = nullptr;
          if (VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout()) parent = layout->GetMainWindow();
          // Windows are made hidden; each is shown when its turn comes.
          _Panel = new VexDlgDialog(parent, "NumberPartsPanel", 0);
          _Confirm = new VexDlgDialog(parent, "ConfirmNumbering", 0);
          _ErrorBox = new VexStrErrorBox("NumberPartsError");
          if (_ErrorBox != nullptr) _ErrorBox->SetTitle("Cannot number the product");
          if (_Panel != nullptr) BuildPanel();
          if (_Confirm != nullptr) {
            _Confirm->SetTitle("Confirm the part number");
            _Question = new VexDlgLabel(_Confirm, "labelquestion", 0);  // dies with its dialog
          }
        },
        LeaveToHost);
  }

  ~VexExNumberPartsCmd() override {
    Dispose(_Panel);
    Dispose(_Confirm);
    Dispose(_ErrorBox);
    Dispose(_PanelAgent);
    Dispose(_ConfirmAgent);
    Dispose(_ErrorAgent);
    VexXHContext::Guard([&] { ReleaseHeld(_Product); }, LeaveToHost);
  }

  void BuildGraph() override {
    bool complete = false;
    const bool built = VexXHContext::Guard([&] { complete = MakeGraph(); }, LeaveToHost);
    _Ready = built && complete && _Prefix != nullptr && _Number != nullptr && _Question != nullptr;
  }

  VexStatusChangeRC Activate(VexCommand*, VexNotification*) override {
    bool shown = false;
    VexBaseUnknown* found = nullptr;  // counted
    VexXHContext::Guard(
        [&] {
          ReleaseHeld(_Product);
          if (!_Ready) return;
          VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
          if (editor == nullptr) return;
          VexPathElement path(editor->GetActivePath());
          found = path.SearchObject(VexIProduct::ClassName());
          if (found == nullptr) return;
          void* product = nullptr;
          if (found->QueryInterface(IID_VexIProduct, &product) >= 0) _Product = static_cast<VexIProduct*>(product);
          ReleaseHeld(found);
          if (_Product == nullptr) return;
          FillPanel(_Product->GetPartNumber());
          _PanelAgent->InitializeAcquisition();
          _Panel->SetVisibility(VexDlgShow);
          shown = true;
        },
        [&](VexBaseUnknown*) { VexXHContext::Guard([&] { ReleaseHeld(found); }, LeaveToHost); });
    // Nothing to number, or nothing could be shown: the command ends rather than wait unseen.
    if (!shown) EndNow();
    return 0;
  }

  VexStatusChangeRC Cancel(VexCommand*, VexNotification*) override { return 0; }

  // Panel OK: a number asks for confirmation, anything else shows the error box.
  VexBoolean CheckAction(void*) {
    const bool asked = VexXHContext::Guard(
        [&] {
          VexUnicodeString prefix;
          VexUnicodeString number;
          _Prefix->GetLine(prefix, WholeText);
          _Number->GetLine(number, WholeText);
          const std::string digits = number.CastToCharPtr();
          _Panel->SetSensitivity(VexDlgInsensitive);
          if (digits.empty() || NumberStart(digits) != 0) {
            ShowError(digits.empty() ? "Type a number of up to 12 digits."
                                     : "The number must be digits only, not \"" + digits + "\".");
            return;
          }
          _NewPartNumber = (std::string(prefix.CastToCharPtr()) + digits).c_str();
          const std::string question = std::string("Replace ") + _Product->GetPartNumber().CastToCharPtr() + " with " +
                                       _NewPartNumber.CastToCharPtr() + "?";
          _Question->SetTitle(question.c_str());
          _ConfirmAgent->InitializeAcquisition();
          _Confirm->SetVisibility(VexDlgShow);
        },
        LeaveToHost);
    if (!asked) ReturnToPanel();
    return 1;
  }

  // Confirmation OK: the part number is set and the command ends; when the product refuses it,
  // the error box says so and leads back to the panel.
  VexBoolean NumberAction(void*) {
    bool numbered = false;
    const bool told = VexXHContext::Guard(
        [&] {
          numbered = _Product->SetPartNumber(_NewPartNumber) >= 0;
          if (numbered) return;
          _Confirm->SetVisibility(VexDlgHide);
          ShowError("The product keeps its part number: it refused " + std::string(_NewPartNumber.CastToCharPtr()) +
                    ".");
        },
        LeaveToHost);
    if (numbered) {
      EndNow();
    } else if (!told) {
      ReturnToPanel();
    }
    return numbered ? 1 : 0;
  }

  // Confirmation Cancel or close box, error box OK.
  VexBoolean BackAction(void*) {
    ReturnToPanel();
    return 1;
  }

  // Panel Cancel or close box: the command ends with nothing changed.
  VexBoolean LeaveAction(void*) {
    HideAll();
    return 1;
  }

 private:
  void BuildPanel() {
    _Panel->SetTitle("Number the active product");
    auto* prefixLabel = new VexDlgLabel(_Panel, "labelprefix", 0);
    auto* numberLabel = new VexDlgLabel(_Panel, "labelnumber", 0);
    _Prefix = new VexDlgEditor(_Panel, "editorprefix", 0);
    _Number = new VexDlgEditor(_Panel, "editornumber", 0);
    if (prefixLabel == nullptr || numberLabel == nullptr || _Prefix == nullptr || _Number == nullptr) return;
    prefixLabel->SetTitle("Prefix:");
    numberLabel->SetTitle("Number:");
    _Prefix->SetVisibleTextWidth(PrefixWidth);
    _Prefix->SetMaxCharacterWidth(PrefixWidth);
    _Number->SetVisibleTextWidth(NumberWidth);
    _Number->SetMaxCharacterWidth(NumberWidth);
    // Two rows (horizontal attachments), two columns (vertical ones): labels, then editors.
    _Panel->SetHorizontalAttachment(0, Attached, prefixLabel, _Prefix, nullptr);
    _Panel->SetHorizontalAttachment(1, Attached, numberLabel, _Number, nullptr);
    _Panel->SetVerticalAttachment(0, Attached, prefixLabel, numberLabel, nullptr);
    _Panel->SetVerticalAttachment(1, Attached, _Prefix, _Number, nullptr);
  }

  // Whether the whole graph was made.
  bool MakeGraph() {
    if (_Panel == nullptr || _Confirm == nullptr || _ErrorBox == nullptr) return false;
    _PanelAgent = new VexPanelAcquisition("PanelAgent", _Panel);
    _ConfirmAgent = new VexPanelAcquisition("ConfirmAgent", _Confirm);
    _ErrorAgent = new VexDialogAgent("ErrorAgent");
    VexDialogState* waiting = GetInitialState("Waiting");
    if (_PanelAgent == nullptr || _ConfirmAgent == nullptr || _ErrorAgent == nullptr || waiting == nullptr) {
      return false;
    }
    waiting->AddDialogAgent(_PanelAgent);
    waiting->AddDialogAgent(_ConfirmAgent);
    waiting->AddDialogAgent(_ErrorAgent);
    const auto check = static_cast<VexActionMethod>(&VexExNumberPartsCmd::CheckAction);
    const auto number = static_cast<VexActionMethod>(&VexExNumberPartsCmd::NumberAction);
    const auto back = static_cast<VexActionMethod>(&VexExNumberPartsCmd::BackAction);
    const auto leave = static_cast<VexActionMethod>(&VexExNumberPartsCmd::LeaveAction);
    VexDialogState* const end = nullptr;
    // from     to       when                                         do
    Transition(waiting, waiting, _PanelAgent, _Panel->GetDiaOKNotification(), check);
    Transition(waiting, end, _PanelAgent, _Panel->GetDiaCANCELNotification(), leave);
    Transition(waiting, end, _PanelAgent, _Panel->GetWindCloseNotification(), leave);
    Transition(waiting, waiting, _ConfirmAgent, _Confirm->GetDiaOKNotification(), number);
    Transition(waiting, waiting, _ConfirmAgent, _Confirm->GetDiaCANCELNotification(), back);
    Transition(waiting, waiting, _ConfirmAgent, _Confirm->GetWindCloseNotification(), back);
    Transition(waiting, waiting, _ErrorAgent, _ErrorBox->GetNfyOKNotification(), back);
    return true;
  }

  // A transition on one notification of one dialog, heard by that dialog's agent.
  void Transition(VexDialogState* from, VexDialogState* to, VexDialogAgent* agent, VexNotification* event,
                  VexActionMethod method) {
    if (agent == _ErrorAgent) {
      _ErrorAgent->AcceptOnNotify(_ErrorBox, event);
    } else {
      static_cast<VexPanelAcquisition*>(agent)->AcceptOnEvent(event, nullptr);
    }
    // The condition before the action: the order of a call's arguments is the compiler's.
    VexStateCondition* condition = IsLastModifiedAgentCondition(agent, event);
    AddTransition(from, to, condition, Action(method));
  }

  void FillPanel(const VexUnicodeString& partNumber) {
    const std::string text = partNumber.CastToCharPtr();
    const std::string::size_type start = NumberStart(text);
    const std::string number = text.size() - start <= NumberWidth ? text.substr(start) : std::string();
    const VexUnicodeString prefix = text.substr(0, start).c_str();
    _Prefix->SetLine(prefix.GetLengthInChar() <= PrefixWidth ? prefix : VexUnicodeString(), WholeText);
    _Number->SetLine(number.c_str(), WholeText);
    _Panel->SetSensitivity(VexDlgSensitive);
  }

  // The error box over the insensitive panel. May raise: the caller decides what then.
  void ShowError(const std::string& message) {
    _ErrorBox->SetText(message.c_str());
    _ErrorAgent->InitializeAcquisition();
    _ErrorBox->SetVisibility(VexDlgShow);
  }

  // Back to the panel, usable, waiting for it. When that cannot be done the command ends rather
  // than leave a dialog that nothing can close.
  void ReturnToPanel() {
    const bool back = VexXHContext::Guard(
        [&] {
          _Confirm->SetVisibility(VexDlgHide);
          _ErrorBox->SetVisibility(VexDlgHide);
          _PanelAgent->InitializeAcquisition();
          _Panel->SetSensitivity(VexDlgSensitive);
        },
        LeaveToHost);
    if (!back) EndNow();
  }

  void HideAll() {
    for (VexDialog* window :
         {static_cast<VexDialog*>(_Panel), static_cast<VexDialog*>(_Confirm), static_cast<VexDialog*>(_ErrorBox)}) {
      VexXHContext::Guard(
          [&] {
            if (window != nullptr) window->SetVisibility(VexDlgHide);
          },
          LeaveToHost);
    }
  }

  // Ends the command from inside an action or Activate: the host destroys it once the event is
  // handled, whichever state a transition moves it to.
  void EndNow() {
    HideAll();
    VexXHContext::Guard([&] { RequestDelayedDestruction(); }, LeaveToHost);
  }

  VexDlgDialog* _Panel = nullptr;                // owned; disposed of by delayed destruction
  VexDlgDialog* _Confirm = nullptr;              // owned; disposed of by delayed destruction
  VexStrErrorBox* _ErrorBox = nullptr;           // owned; disposed of by delayed destruction
  VexDlgEditor* _Prefix = nullptr;               // a child of the panel
  VexDlgEditor* _Number = nullptr;               // a child of the panel
  VexDlgLabel* _Question = nullptr;              // a child of the confirmation
  VexPanelAcquisition* _PanelAgent = nullptr;    // owned; disposed of by delayed destruction
  VexPanelAcquisition* _ConfirmAgent = nullptr;  // owned; disposed of by delayed destruction
  VexDialogAgent* _ErrorAgent = nullptr;         // owned; disposed of by delayed destruction
  VexIProduct* _Product = nullptr;               // counted: the product being numbered
  VexUnicodeString _NewPartNumber;
  bool _Ready = false;  // everything made: the command can be worked to its end
};

VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExNumberPartsCmd() { return new VexExNumberPartsCmd(); }

VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_VexExNumberParts() { return 1; }

namespace {
VexFillDictionary Registration("VexExNumberPartsCmd", &fctCreateVexExNumberPartsCmd);
}
