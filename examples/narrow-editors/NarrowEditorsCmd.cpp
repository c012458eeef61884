// VexExNarrowEditorsCmd: gives the active product a part number made of a short code and a suffix.
// A dialog with two narrow editors, the code (at most 6 characters) and the suffix (at most 8),
// shows the product's part number split at its first '-'; OK sets "code-suffix" (the code alone
// when the suffix is empty; an empty code changes nothing), Cancel and the window's close box leave
// it as it was. With no active product there is nothing to renumber and the command ends at once.
#include <string>

#include "vex/Application.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

#define VEX_EX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int WholeText = -1;
constexpr int CodeWidth = 6;
constexpr int SuffixWidth = 8;

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

// The first `width` characters of UTF-8 text: an editor shows no more than it takes.
std::string Fit(const std::string& text, int width) {
  std::size_t end = 0;
  for (int taken = 0; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && taken++ == width) break;
  }
  return text.substr(0, end);
}

}  // namespace

class VexExNarrowEditorsCmd : public VexStateCommand {
 public:
  VexExNarrowEditorsCmd() : VexStateCommand(0) {
    VexXHContext::Guard(
        [&] {
          VexDialog* parent = nullptr;
          if (VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout()) parent = layout->GetMainWindow();
          _Dialog = new VexDlgDialog(parent, "RenumberDialog", 0);
          if (_Dialog == nullptr) return;
          _Dialog->SetTitle("Renumber the active product");
          _Code = NarrowEditor("editorcode", CodeWidth);
          _Suffix = NarrowEditor("editorsuffix", SuffixWidth);
        },
        LeaveToHost);
  }

  ~VexExNarrowEditorsCmd() override {
    Dispose(_Dialog);
    Dispose(_Agent);
    VexXHContext::Guard([&] { ReleaseHeld(_Product); }, LeaveToHost);
  }

  void BuildGraph() override {
    const bool built = VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("RenumberAgent", _Dialog);
          VexDialogState* state = GetInitialState("Renumbering");
          if (_Agent == nullptr || state == nullptr) {
            End();  // a graph nothing could close
            return;
          }
          state->AddDialogAgent(_Agent);
          const auto renumber = static_cast<VexActionMethod>(&VexExNarrowEditorsCmd::RenumberAction);
          const auto leave = static_cast<VexActionMethod>(&VexExNarrowEditorsCmd::LeaveAction);
          On(state, _Dialog->GetDiaOKNotification(), renumber);
          On(state, _Dialog->GetDiaCANCELNotification(), leave);
          On(state, _Dialog->GetWindCloseNotification(), leave);
        },
        LeaveToHost);
    if (!built) End();
  }

  VexStatusChangeRC Activate(VexCommand*, VexNotification*) override {
    bool shown = false;
    VexBaseUnknown* found = nullptr;  // counted
    VexXHContext::Guard(
        [&] {
          if (_Agent != nullptr) _Agent->InitializeAcquisition();
          ReleaseHeld(_Product);
          VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
          if (editor == nullptr || _Dialog == nullptr) return;
          VexPathElement path(editor->GetActivePath());
          found = path.SearchObject(VexIProduct::ClassName());
          if (found == nullptr) return;
          void* product = nullptr;
          if (found->QueryInterface(IID_VexIProduct, &product) >= 0) _Product = static_cast<VexIProduct*>(product);
          ReleaseHeld(found);
          if (_Product == nullptr) return;
          const std::string partNumber = _Product->GetPartNumber().CastToCharPtr();
          const std::size_t dash = partNumber.find('-');
          Show(_Code, Fit(partNumber.substr(0, dash), CodeWidth));
          Show(_Suffix, dash == std::string::npos ? std::string() : Fit(partNumber.substr(dash + 1), SuffixWidth));
          _Dialog->SetVisibility(VexDlgShow);
          shown = true;
        },
        [&](VexBaseUnknown*) { VexXHContext::Guard([&] { ReleaseHeld(found); }, LeaveToHost); });
    // Nothing to renumber, or nothing could be shown: the command ends rather than wait unseen.
    if (!shown) End();
    return 0;
  }

  VexStatusChangeRC Cancel(VexCommand*, VexNotification*) override { return 0; }

  VexBoolean RenumberAction(void*) {
    VexBoolean renumbered = 0;
    VexXHContext::Guard(
        [&] {
          const std::string code = Read(_Code);
          const std::string suffix = Read(_Suffix);
          if (_Product == nullptr || code.empty()) return;
          VexUnicodeString partNumber((suffix.empty() ? code : code + "-" + suffix).c_str());
          _Product->SetPartNumber(partNumber);
          renumbered = 1;
        },
        LeaveToHost);
    Hide();
    return renumbered;
  }

  VexBoolean LeaveAction(void*) {
    Hide();
    return 1;
  }

 private:
  // Asks for the command's end once: the host takes the command at the first request, even one
  // that then raises an error, and counts a second as a misuse.
  void End() {
    if (_EndAsked) return;
    _EndAsked = true;
    RequestDelayedDestruction();
  }

  VexDlgEditor* NarrowEditor(const char* name, int width) {
    VexDlgEditor* editor = new VexDlgEditor(_Dialog, name, 0);  // dies with the dialog
    if (editor != nullptr) editor->SetMaxCharacterWidth(width);
    return editor;
  }

  static void Show(VexDlgEditor* editor, const std::string& text) {
    if (editor != nullptr) editor->SetLine(VexUnicodeString(text.c_str()), WholeText);
  }

  static std::string Read(VexDlgEditor* editor) {
    VexUnicodeString text;
    if (editor != nullptr) editor->GetLine(text, WholeText);
    return text.CastToCharPtr();
  }

  void On(VexDialogState* state, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    // The condition before the action: the order of a call's arguments is the compiler's.
    VexStateCondition* condition = IsLastModifiedAgentCondition(_Agent, notification);
    AddTransition(state, nullptr, condition, Action(action));
  }

  void Hide() {
    VexXHContext::Guard(
        [&] {
          if (_Dialog != nullptr) _Dialog->SetVisibility(VexDlgHide);
        },
        LeaveToHost);
  }

  VexDlgDialog* _Dialog = nullptr;        // owned; disposed of by delayed destruction
  VexDlgEditor* _Code = nullptr;          // a child of the dialog
  VexDlgEditor* _Suffix = nullptr;        // a child of the dialog
  VexPanelAcquisition* _Agent = nullptr;  // owned; disposed of by delayed destruction
  VexIProduct* _Product = nullptr;        // counted: the product being renumbered
  bool _EndAsked = false;                 // the command has asked for its end
};

VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExNarrowEditorsCmd() { return new VexExNarrowEditorsCmd(); }

VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_VexExNarrowEditors() { return 1; }

namespace {
VexFillDictionary Registration("VexExNarrowEditorsCmd", &fctCreateVexExNarrowEditorsCmd);
}
