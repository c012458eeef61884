// The command every planted-fault example starts from: correct as it stands. A dialog with OK and
// Cancel opens at activation; OK, Cancel and the window's close box end the command. Each example
// derives from it and breaks one thing, in OnActivate or OnOK, or by what it registers or exports.
#pragma once

#include "vex/Application.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

#define VEX_EX_EXPORT extern "C" __attribute__((visibility("default")))

// The module's entry points for one command class: its factory, its marker and its registration.
#define VEX_EX_PLANTED_MODULE(Command, Library)                                \
  VEX_EX_EXPORT VexBaseUnknown* fctCreate##Command() { return new Command(); } \
  VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_##Library() { return 1; }            \
  namespace {                                                                  \
  VexFillDictionary Registration##Command(#Command, &fctCreate##Command);      \
  }

inline void VexExLeaveToHost(VexBaseUnknown*) {}

class VexExPlantedCmd : public VexStateCommand {
 public:
  VexExPlantedCmd() : VexStateCommand(0) {
    VexXHContext::Guard([&] { _Dialog = new VexDlgDialog(MainWindow(), "PlantedDialog", 0); }, VexExLeaveToHost);
  }

  ~VexExPlantedCmd() override {
    if (_DisposeDialog) Dispose(_Dialog);
    Dispose(_Agent);
  }

  void BuildGraph() override {
    const bool built = VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("PlantedAgent", _Dialog);
          VexDialogState* state = GetInitialState("Waiting");
          if (_Agent == nullptr || state == nullptr) {
            _Unwired = true;
            return;
          }
          state->AddDialogAgent(_Agent);
          const auto ok = static_cast<VexActionMethod>(&VexExPlantedCmd::OKAction);
          Accept(state, _Dialog->GetDiaOKNotification(), ok);
          AddWaysOut(state);
        },
        VexExLeaveToHost);
    // A graph cut short by a fault may lack the way out of the dialog: the dialog is then not shown.
    if (!built) _Unwired = true;
  }

  VexStatusChangeRC Activate(VexCommand*, VexNotification*) override {
    bool shown = false;
    VexXHContext::Guard(
        [&] {
          if (_Agent != nullptr) _Agent->InitializeAcquisition();
          if (_Dialog == nullptr || _Unwired) return;
          _Dialog->SetVisibility(VexDlgShow);
          shown = true;
          OnActivate();
        },
        VexExLeaveToHost);
    // Without its dialog, or without a graph that answers it, the command ends rather than wait.
    if (!shown) RequestDelayedDestruction();
    return 0;
  }

  VexStatusChangeRC Cancel(VexCommand*, VexNotification*) override { return 0; }

  VexBoolean OKAction(void*) {
    VexXHContext::Guard([&] { OnOK(); }, VexExLeaveToHost);
    return LeaveAction(nullptr);
  }

  VexBoolean LeaveAction(void*) {
    VexXHContext::Guard(
        [&] {
          if (_Dialog != nullptr) _Dialog->SetVisibility(VexDlgHide);
        },
        VexExLeaveToHost);
    return 1;
  }

 protected:
  // What an example adds once the dialog shows, and when OK is pressed; inside an error scope.
  virtual void OnActivate() {}
  virtual void OnOK() {}

  // The transitions that leave without applying, on Cancel and on the close box; inside an error scope.
  virtual void AddWaysOut(VexDialogState* state) {
    AcceptLeaving(state, _Dialog->GetDiaCANCELNotification());
    AcceptLeaving(state, _Dialog->GetWindCloseNotification());
  }

  // A transition that leaves without applying when the dialog's agent hears `notification`.
  void AcceptLeaving(VexDialogState* state, VexNotification* notification) {
    Accept(state, notification, static_cast<VexActionMethod>(&VexExPlantedCmd::LeaveAction));
  }

  // Gives the active product a new part number, as the examples that change the document do; called
  // inside an error scope.
  static void RenumberActiveProduct(const char* partNumber) {
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    if (editor == nullptr) return;
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName());  // counted
    if (found == nullptr) return;
    VexIProduct_var product;
    product = found;
    found->Release();
    if (!!product) product->SetPartNumber(VexUnicodeString(partNumber));
  }

  static VexDialog* MainWindow() {
    VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout();
    return layout != nullptr ? layout->GetMainWindow() : nullptr;
  }

  template <class Owned>
  static void Dispose(Owned*& owned) {
    VexXHContext::Guard(
        [&] {
          if (owned != nullptr) owned->RequestDelayedDestruction();
        },
        VexExLeaveToHost);
    owned = nullptr;
  }

  VexDlgDialog* _Dialog = nullptr;        // owned; disposed of by delayed destruction
  VexPanelAcquisition* _Agent = nullptr;  // owned; disposed of by delayed destruction
  bool _DisposeDialog = true;
  bool _Unwired = false;  // a fault cut the graph short

  // A transition that runs `action` when the dialog's agent hears `notification`.
  void Accept(VexDialogState* state, VexNotification* notification, VexActionMethod action) {
    _Agent->AcceptOnEvent(notification, nullptr);
    // The condition before the action: the order of a call's arguments is the compiler's.
    VexStateCondition* condition = IsLastModifiedAgentCondition(_Agent, notification);
    VexDiaAction* run = Action(action);
    // Any part the host could not allocate leaves the transition out: the graph is cut short.
    if (condition == nullptr || run == nullptr || AddTransition(state, nullptr, condition, run) == nullptr) {
      _Unwired = true;
    }
  }
};
