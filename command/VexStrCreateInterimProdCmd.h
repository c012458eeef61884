// The command that creates an interim product under the active product.
#pragma once

#include "vex/ErrorBox.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

class VexStrInterimProdPanel;

class VexStrCreateInterimProdCmd : public VexStateCommand {
 public:
  VexStrCreateInterimProdCmd();
  ~VexStrCreateInterimProdCmd() override;

  VexStatusChangeRC Activate(VexCommand* sender, VexNotification* notification) override;
  VexStatusChangeRC Desactivate(VexCommand* sender, VexNotification* notification) override;
  VexStatusChangeRC Cancel(VexCommand* sender, VexNotification* notification) override;
  const char* GetResourceFilename(int level) const override;
  void BuildGraph() override;

  // Actions of the state graph; `data` is the null given to Action and is not read.
  VexBoolean CloseAction(void* data);
  VexBoolean CreateAction(void* data);
  VexBoolean SelectClassAction(void* data);

 private:
  // Asks the host to destroy this command, once: the host counts a second request as a misuse.
  void EndCommand();

  VexStrInterimProdPanel* _Panel = nullptr;          // owned; disposed of by delayed destruction
  VexIStrInterimProductFactory* _Factory = nullptr;  // counted
  VexStrErrorBox* _ErrorBox = nullptr;               // owned; disposed of by delayed destruction
  VexPanelAcquisition* _PanelAgent = nullptr;        // owned; disposed of by delayed destruction
  VexDialogAgent* _ErrorBoxAgent = nullptr;          // owned; disposed of by delayed destruction
  VexDialogAgent* _SelectClassAgent = nullptr;       // owned; disposed of by delayed destruction
  VexUnicodeString _SelectedClass;
  bool _ErrorBoxShown = false;  // the error box shows a refusal of an earlier activation
  bool _EndRequested = false;   // the command has asked for its own destruction
};

// The module's entry points: the only symbols it exports (vex_add_module links it to export these alone).
#define VEX_STR_EXPORT __attribute__((visibility("default")))

extern "C" {
// Creates the command; null when it cannot be allocated.
VEX_STR_EXPORT VexBaseUnknown* fctCreateVexStrCreateInterimProdCmd();
// The module's marker: always 1.
VEX_STR_EXPORT int TOVARIK_KEL2_INTERNAL_VexStrInterimProduct();
}
