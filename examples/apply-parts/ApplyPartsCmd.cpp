// VexExApplyPartsCmd: making and disposing of the command, its graph and its activation.
#include "ApplyPartsCmd.h"

#include "HostCalls.h"
#include "vex/Dictionary.h"

#define VEX_EX_EXPORT extern "C" __attribute__((visibility("default")))

using applyparts::Dispose;
using applyparts::Guarded;
using applyparts::ReleaseGuarded;
using applyparts::ReleaseHeld;

VexExApplyPartsCmd::VexExApplyPartsCmd() : VexStateCommand(0) {
  Guarded([&] { MakeWindows(); });
}

VexExApplyPartsCmd::~VexExApplyPartsCmd() {
  Dispose(_Panel);  // with the class frame, the editors and the labels it holds
  Dispose(_Bar);
  Dispose(_Confirm);
  Dispose(_ErrorBox);
  Dispose(_PanelAgent);
  Dispose(_BarAgent);
  Dispose(_ConfirmAgent);
  Dispose(_ErrorAgent);
  ReleaseGuarded(_Product);
  ReleaseGuarded(_Factory);
}

void VexExApplyPartsCmd::BuildGraph() {
  bool complete = false;
  const bool built = Guarded([&] { complete = MakeGraph(); });
  _Ready = built && complete && _Code != nullptr && _PartNumber != nullptr && _Added != nullptr && _Question != nullptr;
}

// Whether the whole graph was made: every window's every way out has its transition.
bool VexExApplyPartsCmd::MakeGraph() {
  if (_Panel == nullptr || _Bar == nullptr || _Confirm == nullptr || _ErrorBox == nullptr) return false;
  _PanelAgent = new VexPanelAcquisition("PanelAgent", _Panel);
  _BarAgent = new VexPanelAcquisition("BarAgent", _Bar);
  _ConfirmAgent = new VexPanelAcquisition("ConfirmAgent", _Confirm);
  _ErrorAgent = new VexDialogAgent("ErrorAgent");
  VexDialogState* waiting = GetInitialState("Waiting");
  if (_PanelAgent == nullptr || _BarAgent == nullptr || _ConfirmAgent == nullptr || _ErrorAgent == nullptr ||
      waiting == nullptr) {
    return false;
  }
  for (VexDialogAgent* agent : {static_cast<VexDialogAgent*>(_PanelAgent), static_cast<VexDialogAgent*>(_BarAgent),
                                static_cast<VexDialogAgent*>(_ConfirmAgent), _ErrorAgent}) {
    waiting->AddDialogAgent(agent);
  }
  const auto apply = static_cast<VexActionMethod>(&VexExApplyPartsCmd::ApplyAction);
  const auto check = static_cast<VexActionMethod>(&VexExApplyPartsCmd::CheckAction);
  const auto replace = static_cast<VexActionMethod>(&VexExApplyPartsCmd::ReplaceAction);
  const auto back = static_cast<VexActionMethod>(&VexExApplyPartsCmd::BackAction);
  const auto acknowledge = static_cast<VexActionMethod>(&VexExApplyPartsCmd::AcknowledgeAction);
  const auto leave = static_cast<VexActionMethod>(&VexExApplyPartsCmd::LeaveAction);
  VexDialogState* const end = nullptr;
  // from     to       when                                                  do
  return Transition(waiting, waiting, _PanelAgent, _Panel->GetDiaOKNotification(), check) &&
         Transition(waiting, end, _PanelAgent, _Panel->GetDiaCANCELNotification(), leave) &&
         Transition(waiting, end, _PanelAgent, _Panel->GetWindCloseNotification(), leave) &&
         Transition(waiting, waiting, _BarAgent, _Bar->GetDiaOKNotification(), apply) &&
         Transition(waiting, end, _BarAgent, _Bar->GetDiaCANCELNotification(), leave) &&
         Transition(waiting, end, _BarAgent, _Bar->GetWindCloseNotification(), leave) &&
         Transition(waiting, waiting, _ConfirmAgent, _Confirm->GetDiaOKNotification(), replace) &&
         Transition(waiting, waiting, _ConfirmAgent, _Confirm->GetDiaCANCELNotification(), back) &&
         Transition(waiting, waiting, _ConfirmAgent, _Confirm->GetWindCloseNotification(), back) &&
         Transition(waiting, waiting, _ErrorAgent, _ErrorBox->GetNfyOKNotification(), acknowledge);
}

// A transition from the one state on one notification of one window, heard by that window's
// agent; whether the host made all of it.
bool VexExApplyPartsCmd::Transition(VexDialogState* from, VexDialogState* to, VexDialogAgent* agent,
                                    VexNotification* event, VexActionMethod method) {
  if (agent == _ErrorAgent) {
    _ErrorAgent->AcceptOnNotify(_ErrorBox, event);
  } else {
    static_cast<VexPanelAcquisition*>(agent)->AcceptOnEvent(event, nullptr);
  }
  // The condition before the action: the order of a call's arguments is the compiler's.
  VexStateCondition* condition = IsLastModifiedAgentCondition(agent, event);
  if (condition == nullptr) return false;
  VexDiaAction* action = Action(method);
  if (action == nullptr) return false;
  return AddTransition(from, to, condition, action) != nullptr;
}

VexStatusChangeRC VexExApplyPartsCmd::Activate(VexCommand*, VexNotification*) {
  bool shown = false;
  Guarded([&] { shown = _Ready && TakeActiveProduct() && ShowForActiveProduct(); });
  // Nothing to add under, or nothing could be shown: the command ends rather than wait unseen.
  if (!shown) EndNow();
  return 0;
}

VexStatusChangeRC VexExApplyPartsCmd::Cancel(VexCommand*, VexNotification*) { return 0; }

// Holds the active product and its factory, in place of those of an earlier activation.
bool VexExApplyPartsCmd::TakeActiveProduct() {
  VexBaseUnknown* found = nullptr;  // counted
  bool taken = false;
  VexXHContext::Guard(
      [&] {
        ReleaseHeld(_Product);
        ReleaseHeld(_Factory);
        VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
        if (editor == nullptr) return;
        VexPathElement path(editor->GetActivePath());
        found = path.SearchObject(VexIProduct::ClassName());
        if (found == nullptr) return;
        void* product = nullptr;
        void* factory = nullptr;
        if (found->QueryInterface(IID_VexIProduct, &product) >= 0) _Product = static_cast<VexIProduct*>(product);
        if (found->QueryInterface(IID_VexIStrInterimProductFactory, &factory) >= 0) {
          _Factory = static_cast<VexIStrInterimProductFactory*>(factory);
        }
        ReleaseHeld(found);
        taken = _Product != nullptr && _Factory != nullptr;
      },
      [&](VexBaseUnknown*) { ReleaseGuarded(found); });
  return taken;
}

// The panel and the bar for a product that takes interim products, else the error box that ends
// the command; false when the factory could not answer or the panel could not be completed.
bool VexExApplyPartsCmd::ShowForActiveProduct() {
  VexBoolean allowed = 0;
  VexUnicodeString refusal;
  if (_Factory->CanCreate(allowed, refusal) < 0) return false;
  if (allowed == 0) {
    HideAll();
    const std::string message = refusal.CastToCharPtr();
    ShowError(message.empty() ? "The active product takes no interim product." : message, AfterError::EndCommand);
    return true;
  }
  VexUnicodeString initialClass;
  VexUnicodeString family;
  if (_Factory->GetClassSettings(initialClass, family) < 0) return false;
  if (!MakeClassFrame(family, initialClass)) return false;
  FillPanel();
  ShowPanelAndBar();
  return true;
}

VEX_EX_EXPORT VexBaseUnknown* fctCreateVexExApplyPartsCmd() { return new VexExApplyPartsCmd(); }

VEX_EX_EXPORT int TOVARIK_KEL2_INTERNAL_VexExApplyParts() { return 1; }

namespace {
VexFillDictionary Registration("VexExApplyPartsCmd", &fctCreateVexExApplyPartsCmd);
}
