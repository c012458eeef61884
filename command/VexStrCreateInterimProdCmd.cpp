// The interim-product command: construction, state graph, activation and actions.
#include "VexStrCreateInterimProdCmd.h"

#include "VexStrInterimProdPanel.h"
#include "vex/Application.h"
#include "vex/Errors.h"
#include "vex/ObjectClassFrame.h"

// GCOVR_EXCL_BR_LINE marks a new-expression: its branches (a null allocation skips the constructor,
// a raising constructor frees the memory) are the compiler's, not the module's decisions.
namespace {

constexpr VexCommandMode CommandMode = 0;
constexpr VexCommandMode AgentMode = 3;
constexpr std::int64_t AgentBehavior = 0;
constexpr VexStatusChangeRC Done = 0;

void LeaveToHost(VexBaseUnknown*) {}

// Gives a counted pointer back, clearing the holder first so that no path can release it twice.
template <class Interface>
void ReleaseHeld(Interface*& held) {
  Interface* released = held;
  held = nullptr;
  if (released != nullptr) released->Release();
}

// The same, for a handler that is already dealing with an error: a second error raised by the
// release is left to the host so that the remaining releases still happen.
template <class Interface>
void ReleaseWhileHandling(Interface*& held) {
  VexXHContext::Guard([&] { ReleaseHeld(held); }, LeaveToHost);
}

// Holds a counted reference for the length of a block that opens no error scope: released when the
// block is left, also by a host error; a second error raised by that release is the host's.
class ReleasedOnExit {
 public:
  explicit ReleasedOnExit(VexBaseUnknown* held) : _Held(held) {}
  ReleasedOnExit(const ReleasedOnExit&) = delete;
  ReleasedOnExit& operator=(const ReleasedOnExit&) = delete;
  ~ReleasedOnExit() {
    if (_Held != nullptr) ReleaseWhileHandling(_Held);
  }
  void ReleaseNow() { ReleaseHeld(_Held); }

 private:
  VexBaseUnknown* _Held;
};

bool IsVexError(VexBaseUnknown* error) {
  bool vexError = false;
  VexXHContext::Guard([&] { vexError = error->IsAKindOf(VexError::ClassName()) != 0; }, LeaveToHost);
  return vexError;
}

}  // namespace

VexStrCreateInterimProdCmd::VexStrCreateInterimProdCmd() : VexStateCommand(CommandMode), _SelectedClass() {
  VexXHContext::Guard(
      [&] {
        _Panel = nullptr;
        _Factory = nullptr;
        _ErrorBox = nullptr;
        _PanelAgent = nullptr;
        _ErrorBoxAgent = nullptr;
        _SelectClassAgent = nullptr;

        VexDialog* parent = nullptr;
        if (VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout()) parent = layout->GetMainWindow();

        // The panel's widgets are built at activation.
        _Panel = new VexStrInterimProdPanel(parent, "InterimProductPanel");  // GCOVR_EXCL_BR_LINE
        if (_Panel == nullptr) {
          EndCommand();
        } else {
          _Panel->SetVisibility(VexDlgHide);
        }
        _ErrorBox = new VexStrErrorBox("VexStrErrorBox");  // GCOVR_EXCL_BR_LINE
      },
      LeaveToHost);
}

VexStrCreateInterimProdCmd::~VexStrCreateInterimProdCmd() {
  // Each object is handed over in its own scope, so that a host error while disposing of one
  // does not leave the others to nobody.
  auto dispose = [](auto*& owned) {
    VexXHContext::Guard(
        [&] {
          if (owned != nullptr) owned->RequestDelayedDestruction();
        },
        LeaveToHost);
    owned = nullptr;
  };
  dispose(_Panel);
  dispose(_PanelAgent);
  dispose(_ErrorBoxAgent);
  dispose(_ErrorBox);
  dispose(_SelectClassAgent);
  VexXHContext::Guard([&] { ReleaseHeld(_Factory); }, LeaveToHost);
}

void VexStrCreateInterimProdCmd::BuildGraph() {
  VexDialogState* state = nullptr;
  int missingRows = 0;  // rows of the transition table the host could not make
  const bool built = VexXHContext::Guard(
      [&] {
        _ErrorBoxAgent = new VexDialogAgent("ErrorBox", AgentBehavior, AgentMode);  // GCOVR_EXCL_BR_LINE
        if (_ErrorBoxAgent != nullptr && _ErrorBox != nullptr) {
          _ErrorBoxAgent->AcceptOnNotify(_ErrorBox, _ErrorBox->GetNfyOKNotification());
        }

        _PanelAgent = new VexPanelAcquisition("PanelAgent", _Panel);  // GCOVR_EXCL_BR_LINE
        if (_PanelAgent != nullptr && _Panel != nullptr) {
          _PanelAgent->AcceptOnEvent(_Panel->GetDiaOKNotification(), nullptr);
          _PanelAgent->AcceptOnEvent(_Panel->GetDiaCANCELNotification(), nullptr);
          _PanelAgent->AcceptOnEvent(_Panel->GetWindCloseNotification(), nullptr);
        }

        // Every class choice in the panel's object-class frame, from whichever sender.
        _SelectClassAgent = new VexDialogAgent("SelectClassAgent", AgentBehavior, AgentMode);  // GCOVR_EXCL_BR_LINE
        if (_SelectClassAgent != nullptr) {
          _SelectClassAgent->AcceptOnNotify(nullptr, VexStrObjectClassFrameNotif::ClassName());
        }

        state = GetInitialState("SelIntermProductType");
        if (state != nullptr) {
          state->AddDialogAgent(_ErrorBoxAgent);
          state->AddDialogAgent(_PanelAgent);
          state->AddDialogAgent(_SelectClassAgent);
        }

        // The conditions are made before the actions, row by row, so the host sees one order.
        // A row whose condition, action or transition the host could not make is missing: no
        // transition is added from a piece that is not there, and the row is counted.
        auto addTransition = [&](VexDialogState* target, VexStateCondition* condition, VexActionMethod method) {
          if (condition == nullptr) {
            ++missingRows;
            return;
          }
          VexDiaAction* action = Action(method, nullptr, nullptr, nullptr);
          if (action == nullptr) {
            ++missingRows;
            return;
          }
          if (AddTransition(state, target, condition, action) == nullptr) ++missingRows;
        };
        const auto close = static_cast<VexActionMethod>(&VexStrCreateInterimProdCmd::CloseAction);
        const auto create = static_cast<VexActionMethod>(&VexStrCreateInterimProdCmd::CreateAction);
        const auto selectClass = static_cast<VexActionMethod>(&VexStrCreateInterimProdCmd::SelectClassAction);
        VexDialogState* const end = nullptr;

        if (_ErrorBox != nullptr) {
          addTransition(end, IsLastModifiedAgentCondition(_ErrorBoxAgent, _ErrorBox->GetNfyOKNotification()), close);
        }
        if (_Panel != nullptr) {
          addTransition(end, IsLastModifiedAgentCondition(_PanelAgent, _Panel->GetDiaCANCELNotification()), close);
          addTransition(end, IsLastModifiedAgentCondition(_PanelAgent, _Panel->GetWindCloseNotification()), close);
          addTransition(end, IsLastModifiedAgentCondition(_PanelAgent, _Panel->GetDiaOKNotification()), create);
          addTransition(state, IsOutputSetCondition(_SelectClassAgent), selectClass);
        }
      },
      LeaveToHost);
  // Without its state, stopped part-way or with a row missing, the graph may hold no transition
  // that ends the command from a dialog it shows (the error box's OK, the panel's Cancel, close
  // box or OK), and without the panel's agent nothing takes the panel's buttons: a dialog it shows
  // could then never be closed, so the command asks for its own destruction, as it does when its
  // panel cannot be made. Without a panel it has asked already, or its constructor stopped before
  // the panel and the error box, and nothing can be shown.
  if (_Panel != nullptr && (!built || state == nullptr || _PanelAgent == nullptr || missingRows > 0)) {
    VexXHContext::Guard([&] { EndCommand(); }, LeaveToHost);
  }
}

void VexStrCreateInterimProdCmd::EndCommand() {
  if (_EndRequested) return;
  // The host takes the command even when the request then raises an error: it is made once.
  _EndRequested = true;
  RequestDelayedDestruction();
}

const char* VexStrCreateInterimProdCmd::GetResourceFilename(int level) const {
  if (level <= 0) return "VexStrCreateInterimProdCmd";
  return VexDialogAgent::GetResourceFilename(level - 1);
}

VexStatusChangeRC VexStrCreateInterimProdCmd::Desactivate(VexCommand*, VexNotification*) { return Done; }

VexStatusChangeRC VexStrCreateInterimProdCmd::Cancel(VexCommand*, VexNotification*) { return Done; }

VexStatusChangeRC VexStrCreateInterimProdCmd::Activate(VexCommand*, VexNotification*) {
  if (_PanelAgent != nullptr) _PanelAgent->InitializeAcquisition();
  if (_ErrorBoxAgent != nullptr) _ErrorBoxAgent->InitializeAcquisition();

  VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
  if (editor == nullptr) return Done;

  // Locals are destroyed in reverse order: the strings, then the product handle, then the path.
  VexPathElement path(editor->GetActivePath());
  ReleaseHeld(_Factory);

  VexIProduct_var product;
  if (VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName())) {
    // The reference SearchObject handed over is given back also when a host error leaves here.
    ReleasedOnExit searched(found);
    void* factory = nullptr;
    found->QueryInterface(IID_VexIStrInterimProductFactory, &factory);
    _Factory = static_cast<VexIStrInterimProductFactory*>(factory);
    product = found;
    searched.ReleaseNow();
  }

  VexBoolean allowed = 0;
  VexUnicodeString message;
  if (_Factory != nullptr) _Factory->CanCreate(allowed, message);

  if (allowed == 0) {
    // Refused, or no factory found: the message is then empty. Without an error box nothing is
    // shown and the command waits, as it does without an editor.
    if (_ErrorBox == nullptr) return Done;
    if (_ErrorBoxAgent == nullptr) {
      // Nothing would take the box's OK: rather than show a box nothing can close, end.
      EndCommand();
      return Done;
    }
    _ErrorBox->SetText(message);
    _ErrorBox->SetVisibility(VexDlgShow);
    _ErrorBoxShown = true;
    return Done;
  }

  // Without a panel (its allocation failed, and the command already asked to be destroyed)
  // there is nothing to build or show.
  if (_Panel == nullptr) return Done;

  VexUnicodeString firstSetting;
  VexUnicodeString secondSetting;
  _Factory->GetClassSettings(firstSetting, secondSetting);
  // The frame's first string is the factory's second setting; the first becomes the class object.
  _Panel->Build(secondSetting, firstSetting);
  _Panel->SetClassObject(&firstSetting);
  // The panel replaces the refusal an earlier activation showed: that refusal no longer holds,
  // and its OK would end the command under the person's hands.
  if (_ErrorBoxShown) {
    _ErrorBox->SetVisibility(VexDlgHide);
    _ErrorBoxShown = false;
  }
  _Panel->SetVisibility(VexDlgShow);

  VexBoolean browserAllowed = 0;
  _Factory->IsBrowserAllowed(browserAllowed);
  _Panel->SetBrowserSensitivity(browserAllowed != 0 ? VexDlgSensitive : VexDlgInsensitive);

  // An object found as a product may still fail to give its product interface: the panel then
  // shows no part number.
  if (!product) return Done;
  VexUnicodeString partNumber = product->GetPartNumber();
  _Panel->SetPartNumber(partNumber);
  return Done;
}

VexBoolean VexStrCreateInterimProdCmd::CloseAction(void*) {
  VexBoolean result = 0;
  VexXHContext::Guard(
      [&] {
        // Branch never taken with this host: a command without a panel is destroyed before any of its actions can run.
        if (_Panel != nullptr) _Panel->SetVisibility(VexDlgHide);
        result = 1;
      },
      LeaveToHost);
  return result;
}

VexBoolean VexStrCreateInterimProdCmd::CreateAction(void*) {
  VexBoolean result = 0;
  VexBaseUnknown* created = nullptr;        // counted
  VexIProduct* productInterface = nullptr;  // counted
  VexXHContext::Guard(
      [&] {  // GCOVR_EXCL_LINE: clean-up when a string operation throws, which only memory exhaustion does
        VexApplicationFrame::SetBusyCursor();
        if (_Factory != nullptr) {
          std::intptr_t extra = 0;
          const VexHRESULT status = _Factory->CreateInterimProduct(_SelectedClass, &extra, &created);
          if (status >= 0 && created != nullptr) {
            VexUnicodeString partNumber;
            // Branch never taken with this host: a command without a panel is destroyed before it acts.
            if (_Panel != nullptr) partNumber = _Panel->GetPartNumber();
            // The part number goes to the active product, the one the factory belongs to.
            if (partNumber.GetLengthInChar() > 0) {
              void* found = nullptr;
              const VexHRESULT queried = _Factory->QueryInterface(IID_VexIProduct, &found);
              productInterface = static_cast<VexIProduct*>(found);
              // Branch never taken with this host: a query fails with null and succeeds with an interface.
              if (queried >= 0 && productInterface != nullptr) {
                productInterface->SetPartNumber(partNumber);
                ReleaseHeld(productInterface);
              }
            }
            result = 1;
            ReleaseHeld(created);
          }
        }
        // Branch never taken with this host: this action runs only on the panel agent's OK, so that agent exists.
        if (_PanelAgent != nullptr) _PanelAgent->InitializeAcquisition();
        if (_ErrorBoxAgent != nullptr) _ErrorBoxAgent->InitializeAcquisition();
      },
      [&](VexBaseUnknown* error) {
        // Whatever kind of error stopped the body, what it held goes back; only a VexError is
        // the command's to release, any other kind is left to the host.
        const bool vexError = IsVexError(error);
        ReleaseWhileHandling(productInterface);
        ReleaseWhileHandling(created);
        if (vexError) ReleaseWhileHandling(error);
      });
  return result;
}

VexBoolean VexStrCreateInterimProdCmd::SelectClassAction(void*) {
  VexXHContext::Guard(
      [&] {
        // Branch never taken with this host: a command without a panel has no class transition.
        if (_Panel == nullptr) return;
        _SelectedClass = "";
        _SelectedClass = _Panel->GetSelectedClass();
        // OK only while a class is chosen.
        _Panel->SetOKSensitivity(_SelectedClass.GetLengthInChar() > 0 ? VexDlgSensitive : VexDlgInsensitive);
      },
      [&](VexBaseUnknown* error) {
        if (IsVexError(error)) ReleaseWhileHandling(error);
      });
  // The next class choice must fire the self-loop again, whatever happened above.
  // Branch never taken with this host: this action runs only on the class agent's output, so that agent exists.
  if (_SelectClassAgent != nullptr) _SelectClassAgent->InitializeAcquisition();
  return 0;
}
