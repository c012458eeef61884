// A module for the validator's tests: its dialog asks the host for the current layout whenever the
// host asks it for its resource file, which looking at the dialog does (its hint has no title of
// its own). So a look at the dialog makes boundary calls that a fault plan could count.
#include "vex/Application.h"
#include "vex/Dictionary.h"
#include "vex/Errors.h"
#include "vex/StateCommand.h"

#define VEX_TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void LeaveToHost(VexBaseUnknown*) {}

class LookingDialog : public VexDlgDialog {
 public:
  LookingDialog(VexDialog* parent) : VexDlgDialog(parent, "LookingDialog", 0) {}
  const char* GetResourceFilename(int level) const override {
    VexXHContext::Guard([] { VexFrmLayout::GetCurrentLayout(); }, LeaveToHost);
    return VexDlgDialog::GetResourceFilename(level);
  }
};

}  // namespace

class VexTestLookingCmd : public VexStateCommand {
 public:
  VexTestLookingCmd() : VexStateCommand(0) {
    VexXHContext::Guard(
        [&] {
          VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout();
          _Dialog = new LookingDialog(layout != nullptr ? layout->GetMainWindow() : nullptr);
          if (_Dialog != nullptr) new VexDlgLabel(_Dialog, "Hint", 0);  // the dialog's child, gone with it
        },
        LeaveToHost);
    if (_Dialog == nullptr) RequestDelayedDestruction();
  }

  ~VexTestLookingCmd() override {
    for (VexCommand* owned : {static_cast<VexCommand*>(_Dialog), static_cast<VexCommand*>(_Agent)}) {
      VexXHContext::Guard(
          [&] {
            if (owned != nullptr) owned->RequestDelayedDestruction();
          },
          LeaveToHost);
    }
  }

  void BuildGraph() override {
    const bool built = VexXHContext::Guard(
        [&] {
          if (_Dialog == nullptr) return;
          _Agent = new VexPanelAcquisition("LookingAgent", _Dialog);
          VexDialogState* state = GetInitialState("Looking");
          if (_Agent == nullptr || state == nullptr) {
            RequestDelayedDestruction();
            return;
          }
          state->AddDialogAgent(_Agent);
          const auto close = static_cast<VexActionMethod>(&VexTestLookingCmd::Close);
          for (VexNotification* ends : {_Dialog->GetDiaOKNotification(), _Dialog->GetDiaCANCELNotification(),
                                        _Dialog->GetWindCloseNotification()}) {
            _Agent->AcceptOnEvent(ends, nullptr);
            AddTransition(state, nullptr, IsLastModifiedAgentCondition(_Agent, ends), Action(close));
          }
        },
        LeaveToHost);
    if (!built) RequestDelayedDestruction();
  }

  VexStatusChangeRC Activate(VexCommand*, VexNotification*) override {
    VexXHContext::Guard(
        [&] {
          if (_Dialog != nullptr) _Dialog->SetVisibility(VexDlgShow);
        },
        LeaveToHost);
    return 0;
  }

  VexBoolean Close(void*) {
    return VexXHContext::Guard(
        [&] {
          if (_Dialog != nullptr) _Dialog->SetVisibility(VexDlgHide);
        },
        LeaveToHost);
  }

 private:
  VexDlgDialog* _Dialog = nullptr;        // owned; disposed of by delayed destruction
  VexPanelAcquisition* _Agent = nullptr;  // owned; disposed of by delayed destruction
};

VEX_TEST_EXPORT VexBaseUnknown* fctCreateVexTestLookingCmd() { return new VexTestLookingCmd(); }
VEX_TEST_EXPORT int TOVARIK_KEL2_INTERNAL_VexTestLooking() { return 1; }

namespace {
VexFillDictionary Registration("VexTestLookingCmd", &fctCreateVexTestLookingCmd);
}  // namespace
