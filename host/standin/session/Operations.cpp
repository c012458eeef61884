// The list of boundary operations. A test runs the host shell's scripts and checks that every
// operation their journals record is here.
#include "vexhost/Operations.h"

#include <algorithm>

namespace vexhost {

namespace {

constexpr bool Raises = true;
constexpr bool Journaled = false;

BoundaryOperation Call(std::string_view name, bool canRaise = Raises) { return {name, false, canRaise}; }
BoundaryOperation Into(std::string_view name) { return {name, true, false}; }

std::vector<BoundaryOperation> Sorted(std::vector<BoundaryOperation> operations) {
  std::sort(operations.begin(), operations.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
  return operations;
}

}  // namespace

const std::vector<BoundaryOperation>& BoundaryOperations() {
  static const std::vector<BoundaryOperation> operations = Sorted({
      // Objects and accounting
      Call("Allocate", Journaled),
      Call("AddRef"),
      Call("Release"),
      Call("QueryInterface"),
      Call("IsA"),
      Call("IsAKindOf"),
      Call("RequestDelayedDestruction"),
      // Constructions: the journal names each by the most derived host class; every level can fail.
      Call("VexDialog"),
      Call("VexDlgWindow"),
      Call("VexDlgDialog"),
      Call("VexDlgNotify"),
      Call("VexStrErrorBox"),
      Call("VexDlgFrame"),
      Call("VexDlgLabel"),
      Call("VexDlgSeparator"),
      Call("VexDlgPushButton"),
      Call("VexDlgEditor"),
      Call("VexDlgCombo"),
      Call("VexStrObjectClassFrame"),
      Call("VexDialogAgent"),
      Call("VexPanelAcquisition"),
      Call("VexStateCommand"),
      // The engine
      Call("AddDialogAgent"),
      Call("AddTransition"),
      Call("GetInitialState"),
      Call("IsLastModifiedAgentCondition"),
      Call("IsOutputSetCondition"),
      Call("IsOutputSet"),
      Call("Action"),
      Call("AcceptOnNotify"),
      Call("AcceptOnEvent"),
      Call("InitializeAcquisition"),
      Call("RemoveAnalyseNotificationCB"),
      Call("SetName"),
      Call("SetBusyCursor"),
      // Dialogs
      Call("Build"),
      Call("SetTitle"),
      Call("SetVisibility"),
      Call("SetSensitivity"),
      Call("SetOKSensitivity"),
      Call("SetHorizontalAttachment"),
      Call("SetVerticalAttachment"),
      Call("SetLine"),
      Call("GetLine"),
      Call("ClearLine"),
      Call("SetText"),
      Call("SetMaxCharacterWidth"),
      Call("SetVisibleTextWidth"),
      Call("SetVisibleTextHeight"),
      Call("GetDiaOKNotification"),
      Call("GetDiaCANCELNotification"),
      Call("GetWindCloseNotification"),
      Call("GetNfyOKNotification"),
      Call("GetResourceValueFromKey"),
      Call("GetSelectedClass"),
      Call("SetClassObject"),
      Call("GetBrowserCmd"),
      Call("GetEditorObject"),
      Call("GetCurrentLayout"),
      Call("GetMainWindow"),
      // The product model
      Call("GetCurrentEditor"),
      Call("GetActivePath"),
      Call("VexPathElement(copy)"),
      Call("~VexPathElement", Journaled),
      Call("SearchObject"),
      Call("VexIProduct_var="),
      Call("~VexIProduct_var", Journaled),
      Call("GetPartNumber"),
      Call("SetPartNumber"),
      Call("CanCreate"),
      Call("GetClassSettings"),
      Call("IsBrowserAllowed"),
      Call("CreateInterimProduct"),
      // The host's calls into the module
      Into("Create"),
      Into("BuildGraph"),
      Into("Activate"),
      Into("RunAction"),
      Into("Cancel"),
      Into("Destroy"),
      Into("GetResourceFilename"),
  });
  return operations;
}

const BoundaryOperation* FindBoundaryOperation(std::string_view name) {
  const auto& operations = BoundaryOperations();
  auto found = std::lower_bound(
      operations.begin(), operations.end(), name,
      [](const BoundaryOperation& operation, std::string_view wanted) { return operation.Name < wanted; });
  return found != operations.end() && found->Name == name ? &*found : nullptr;
}

std::string RaisableOperationNames() {
  std::string names;
  for (const auto& operation : BoundaryOperations()) {
    if (!operation.CanRaise) continue;
    if (!names.empty()) names += ", ";
    names += operation.Name;
  }
  return names;
}

}  // namespace vexhost
