// VexExRenamePartCmd: gives the active product a new part number. A dialog with one editor shows
// the product's part number; OK sets the typed text as the product's part number (an empty text
// changes nothing), Cancel and the window's close box leave it as it was. With no active product
// there is nothing to rename and the command ends at once.
#include "vex/Application.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

#define VEX_EX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int WholeText = -1;
constexpr int NameWidth = 40;

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

}  // namespace

class VexExRenamePartCmd : public VexStateCommand {
 public:
  VexExRenamePartCmd() : VexStateCommand(0) {
    VexXHContext::Guard(
        [&] {
          VexDialog* parent = nullptr;
          if (VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout()) parent = layout->GetMainWindow();
          // Windows are made hidden: the dialog shows once there is a product to rename.
          _Dialog = new VexDlgDialog(parent, "RenamePartDialog", 0);
          if (_Dialog == nullptr) return;
          _Dialog->SetTitle("Rename the active product");
          _Editor = new VexDlgEditor(_Dialog, "editorname", 0);  // dies with the dialog
          if (_Editor != nullptr) _Editor->SetMaxCharacterWidth(NameWidth);
        },
        LeaveToHost);
  }

  ~VexExRenamePartCmd() override {
    Dispose(_Dialog);
    Dispose(_Agent);
    VexXHContext::Guard([&] { ReleaseHeld(_Product); }, LeaveToHost);
  }

  const char* GetResourceFilename(int level) const override {
    return level <= 0 ? "VexExRenamePartCmd" : VexStateCommand::GetResourceFilename(level - 1);
  }

  void BuildGraph() override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("RenameAgent", _Dialog);
          if (_Agent == nullptr) return;
          VexNotification* ok = _Dialog->GetDiaOKNotification();
          VexNotification* cancel = _Dialog->GetDiaCANCELNotification();
          VexNotification* close = _Dialog->GetWindCloseNotification();
          _Agent->AcceptOnEvent(ok, nullptr);
          _Agent->AcceptOnEvent(cancel, nullptr);
          _Agent->AcceptOnEvent(close, nullptr);
          VexDialogState* state = GetInitialState("Renaming");
          if (state == nullptr) return;
          state->AddDialogAgent(_Agent);
          const auto rename = static_cast<VexActionMethod>(&VexExRenamePartCmd::RenameAction);
          const auto leave = static_cast<VexActionMethod>(&VexExRenamePartCmd::LeaveAction);
          // The condition before the action, each in a statement of its own: the order in which a
          // call's arguments are evaluated is the compiler's, and the host sees the calls' order.
          auto on = [&](VexNotification* notification, VexActionMethod method) {
            VexStateCondition* condition = IsLastModifiedAgentCondition(_Agent, notification);
            AddTransition(state, nullptr, condition, Action(method));
          };
          on(ok, rename);
          on(cancel, leave);
          on(close, leave);
        },
        LeaveToHost);
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
          VexUnicodeString partNumber = _Product->GetPartNumber();
          if (_Editor != nullptr) _Editor->SetLine(partNumber, WholeText);
          _Dialog->SetVisibility(VexDlgShow);
          shown = true;
        },
        [&](VexBaseUnknown*) { VexXHContext::Guard([&] { ReleaseHeld(found); }, LeaveToHost); });
    // Nothing to rename, or nothing could be shown: the command ends rather than wait unseen.
    if (!shown) RequestDelayedDestruction();
    return 0;
  }

  VexStatusChangeRC Cancel(VexCommand*, VexNotification*) override { return 0; }

  VexBoolean RenameAction(void*) {
    VexBoolean renamed = 0;
    VexXHContext::Guard(
        [&] {
          VexUnicodeString text;
          if (_Editor != nullptr) _Editor->GetLine(text, WholeText);
          if (_Product != nullptr && text.GetLengthInChar() > 0) {
            _Product->SetPartNumber(text);
            renamed = 1;
          }
        },
        LeaveToHost);
    Hide();
    return renamed;
  }

  VexBoolean LeaveAction(void*) {
    Hide();
    return 1;
  }

 private:
  void Hide() {
    VexXHContext::Guard(
        [&] {
          if (_Dialog != nullptr) _Dialog->SetVisibility(VexDlgHide);
        },
        LeaveToHost);
  }

  VexDlgDialog* _Dialog = nullptr;        // owned; disposed of by delayed destruction
  VexDlgEditor* _Editor = nullptr;        // a child of the dialog
  VexPanelAcquisition* _Agent = nullptr;  // owned; disposed of by delayed destruction
  VexIProduct* _Product = nullptr;        // counted: the product being renamed
};

VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExRenamePartCmd() { return new VexExRenamePartCmd(); }

VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_VexExRenamePart() { return 1; }

namespace {
VexFillDictionary Registration("VexExRenamePartCmd", &fctCreateVexExRenamePartCmd);
}
