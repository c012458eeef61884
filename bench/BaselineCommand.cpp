// The host-only baseline: a state command compiled into the benchmark that makes the host do
// the same work as the module's command in a lifecycle (the same dialog tree with the same
// names, texts and attachments, the same agents, states and transitions, the same product
// lookups and the same interim product), with as little code of its own as the contracts allow:
// no error scopes, no null checks for allocations that only a fault plan can fail, no copies.
// A lifecycle of the module minus a lifecycle of this command is what the module's own code costs.
#include "BenchSupport.h"
#include "vex/Application.h"
#include "vex/Dialogs.h"
#include "vex/Dictionary.h"
#include "vex/ErrorBox.h"
#include "vex/ObjectClassFrame.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

namespace vexbench {

namespace {

class BaselinePanel : public VexDlgDialog {
 public:
  explicit BaselinePanel(VexDialog* parent) : VexDlgDialog(parent, "InterimProductPanel", 0x1040C00) {}
  ~BaselinePanel() override {
    RemoveAnalyseNotificationCB(this, GetDiaOKNotification(), nullptr);
    RemoveAnalyseNotificationCB(this, GetDiaCANCELNotification(), nullptr);
    RemoveAnalyseNotificationCB(this, GetWindCloseNotification(), nullptr);
  }
  // The module's panel texts, so that the host looks up the same keys in the same files.
  const char* GetResourceFilename(int level) const override {
    return level <= 0 ? "VexStrInterimProdPanel" : VexDialog::GetResourceFilename(level - 1);
  }

  void Build(const VexUnicodeString& category, const VexUnicodeString& initialClass) {
    VexUnicodeString text;
    if (GetResourceValueFromKey("InterimProductPanel", text, nullptr) != 0) SetTitle(text);
    auto* partFrame = new VexDlgFrame(this, "VexStrIPFrame2", 0xC0000);
    auto* partLabel = new VexDlgLabel(partFrame, "labelpartnumber", 0);
    GetResourceValueFromKey("LabelPartNumber", text, nullptr);
    partLabel->SetTitle(text);
    Editor = new VexDlgEditor(partFrame, "editorpartnumber", 0);
    Editor->SetVisibleTextHeight(1);
    Editor->SetMaxCharacterWidth(72);
    Editor->SetVisibleTextWidth(24);

    ClassFrame = new VexStrObjectClassFrame(this, "frmClass", category, initialClass, 0xC0000);
    ClassFrame->Build();
    VexDlgEditor* classEditor = ClassFrame->GetEditorObject();
    classEditor->SetMaxCharacterWidth(72);
    classEditor->SetVisibleTextWidth(24);

    auto* separator = new VexDlgSeparator(this, "Separator1", 0x40000);
    auto* levelFrame = new VexDlgFrame(this, "FrmIPType", 0xC0000);
    auto* levelLabel = new VexDlgLabel(levelFrame, "LabelIPLevel", 0);
    GetResourceValueFromKey("IPLevel", text, nullptr);
    levelLabel->SetTitle(text);
    auto* levelCombo = new VexDlgCombo(levelFrame, "ComboIPLevel", 0x40000);
    levelCombo->SetLine("2", VexDlgCombo::VexDlgComboAppend, VexDlgCombo::VexDlgComboSelect);
    levelCombo->SetSensitivity(VexDlgInsensitive);

    SetVerticalAttachment(0, 1, ClassFrame, nullptr);
    SetVerticalAttachment(0, 1, partFrame, nullptr);
    SetVerticalAttachment(0, 1, separator, nullptr);
    SetVerticalAttachment(5, 4, separator, nullptr);
    SetVerticalAttachment(0, 1, levelFrame, nullptr);
    SetHorizontalAttachment(0, 5, ClassFrame, nullptr);
    SetHorizontalAttachment(5, 5, partFrame, nullptr);
    SetHorizontalAttachment(10, 5, separator, nullptr);
    SetHorizontalAttachment(15, 5, levelFrame, nullptr);
    partFrame->SetVerticalAttachment(0, 1, partLabel, nullptr);
    partFrame->SetVerticalAttachment(5, 1, Editor, nullptr);
    partFrame->SetHorizontalAttachment(5, 5, partLabel, Editor, nullptr);
    levelFrame->SetVerticalAttachment(0, 1, levelLabel, nullptr);
    levelFrame->SetVerticalAttachment(5, 1, levelCombo, nullptr);
    levelFrame->SetHorizontalAttachment(0, 5, levelLabel, levelCombo, nullptr);
    SetOKSensitivity(VexDlgInsensitive);
  }

  VexDlgEditor* Editor = nullptr;
  VexStrObjectClassFrame* ClassFrame = nullptr;
};

class BaselineInterimProdCmd : public VexStateCommand {
 public:
  BaselineInterimProdCmd() : VexStateCommand(0) {
    VexFrmLayout* layout = VexFrmLayout::GetCurrentLayout();
    _Panel = new BaselinePanel(layout != nullptr ? layout->GetMainWindow() : nullptr);
    _Panel->SetVisibility(VexDlgHide);
    _ErrorBox = new VexStrErrorBox("VexStrErrorBox");
  }
  ~BaselineInterimProdCmd() override {
    _Panel->RequestDelayedDestruction();
    _PanelAgent->RequestDelayedDestruction();
    _ErrorBoxAgent->RequestDelayedDestruction();
    _ErrorBox->RequestDelayedDestruction();
    _SelectClassAgent->RequestDelayedDestruction();
    if (_Factory != nullptr) _Factory->Release();
  }

  void BuildGraph() override {
    _ErrorBoxAgent = new VexDialogAgent("ErrorBox", 0, 3);
    _ErrorBoxAgent->AcceptOnNotify(_ErrorBox, _ErrorBox->GetNfyOKNotification());
    _PanelAgent = new VexPanelAcquisition("PanelAgent", _Panel);
    _PanelAgent->AcceptOnEvent(_Panel->GetDiaOKNotification(), nullptr);
    _PanelAgent->AcceptOnEvent(_Panel->GetDiaCANCELNotification(), nullptr);
    _PanelAgent->AcceptOnEvent(_Panel->GetWindCloseNotification(), nullptr);
    _SelectClassAgent = new VexDialogAgent("SelectClassAgent", 0, 3);
    _SelectClassAgent->AcceptOnNotify(nullptr, VexStrObjectClassFrameNotif::ClassName());

    VexDialogState* state = GetInitialState("SelIntermProductType");
    state->AddDialogAgent(_ErrorBoxAgent);
    state->AddDialogAgent(_PanelAgent);
    state->AddDialogAgent(_SelectClassAgent);

    const auto close = static_cast<VexActionMethod>(&BaselineInterimProdCmd::Close);
    const auto create = static_cast<VexActionMethod>(&BaselineInterimProdCmd::Create);
    const auto select = static_cast<VexActionMethod>(&BaselineInterimProdCmd::Select);
    VexStateCondition* condition = IsLastModifiedAgentCondition(_ErrorBoxAgent, _ErrorBox->GetNfyOKNotification());
    AddTransition(state, nullptr, condition, Action(close));
    condition = IsLastModifiedAgentCondition(_PanelAgent, _Panel->GetDiaCANCELNotification());
    AddTransition(state, nullptr, condition, Action(close));
    condition = IsLastModifiedAgentCondition(_PanelAgent, _Panel->GetWindCloseNotification());
    AddTransition(state, nullptr, condition, Action(close));
    condition = IsLastModifiedAgentCondition(_PanelAgent, _Panel->GetDiaOKNotification());
    AddTransition(state, nullptr, condition, Action(create));
    condition = IsOutputSetCondition(_SelectClassAgent);
    AddTransition(state, state, condition, Action(select));
  }

  VexStatusChangeRC Activate(VexCommand*, VexNotification*) override {
    _PanelAgent->InitializeAcquisition();
    _ErrorBoxAgent->InitializeAcquisition();
    VexFrmEditor* editor = VexFrmEditor::GetCurrentEditor();
    VexPathElement path(editor->GetActivePath());
    VexBaseUnknown* found = path.SearchObject(VexIProduct::ClassName());
    void* factory = nullptr;
    found->QueryInterface(IID_VexIStrInterimProductFactory, &factory);
    _Factory = static_cast<VexIStrInterimProductFactory*>(factory);
    VexIProduct_var product;
    product = found;
    found->Release();

    VexBoolean allowed = 0;
    VexUnicodeString message;
    _Factory->CanCreate(allowed, message);
    VexUnicodeString initialClass;
    VexUnicodeString category;
    _Factory->GetClassSettings(initialClass, category);
    _Panel->Build(category, initialClass);
    _Panel->ClassFrame->SetClassObject(initialClass);
    _Panel->SetVisibility(VexDlgShow);
    VexBoolean browser = 0;
    _Factory->IsBrowserAllowed(browser);
    _Panel->ClassFrame->GetBrowserCmd()->SetSensitivity(browser != 0 ? VexDlgSensitive : VexDlgInsensitive);
    const VexUnicodeString partNumber = product->GetPartNumber();
    _Panel->Editor->ClearLine(-1);
    _Panel->Editor->SetLine(partNumber, -1);
    return 0;
  }

  VexBoolean Close(void*) {
    _Panel->SetVisibility(VexDlgHide);
    return 1;
  }

  VexBoolean Create(void*) {
    VexApplicationFrame::SetBusyCursor();
    std::intptr_t extra = 0;
    VexBaseUnknown* created = nullptr;
    VexBoolean result = 0;
    if (_Factory->CreateInterimProduct(_SelectedClass, &extra, &created) >= 0 && created != nullptr) {
      VexUnicodeString partNumber;
      _Panel->Editor->GetLine(partNumber, -1);
      if (partNumber.GetLengthInChar() > 0) {
        void* product = nullptr;
        _Factory->QueryInterface(IID_VexIProduct, &product);
        static_cast<VexIProduct*>(product)->SetPartNumber(partNumber);
        static_cast<VexIProduct*>(product)->Release();
      }
      created->Release();
      result = 1;
    }
    _PanelAgent->InitializeAcquisition();
    _ErrorBoxAgent->InitializeAcquisition();
    return result;
  }

  VexBoolean Select(void*) {
    _SelectedClass = _Panel->ClassFrame->GetSelectedClass();
    _Panel->SetOKSensitivity(_SelectedClass.GetLengthInChar() > 0 ? VexDlgSensitive : VexDlgInsensitive);
    _SelectClassAgent->InitializeAcquisition();
    return 0;
  }

 private:
  BaselinePanel* _Panel = nullptr;
  VexStrErrorBox* _ErrorBox = nullptr;
  VexPanelAcquisition* _PanelAgent = nullptr;
  VexDialogAgent* _ErrorBoxAgent = nullptr;
  VexDialogAgent* _SelectClassAgent = nullptr;
  VexIStrInterimProductFactory* _Factory = nullptr;
  VexUnicodeString _SelectedClass;
};

VexBaseUnknown* CreateBaseline() { return new BaselineInterimProdCmd(); }

}  // namespace

void RegisterBaseline() { static const VexFillDictionary registration(BaselineCommand, &CreateBaseline); }

}  // namespace vexbench
