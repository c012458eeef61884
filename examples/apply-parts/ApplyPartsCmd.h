// VexExApplyPartsCmd: adds interim products under the active product, numbered in series, and may
// give the active product a new part number. Two windows stay open together:
//
//   ApplyPartsPanel    the class of the products to add (a class frame), the code they are
//                      numbered from (8 characters, "BA-200" gives BA-200-1, BA-200-2, ...) and
//                      the active product's part number (24 characters).
//                      OK: a new part number asks for confirmation, the same one ends the command,
//                      an empty one shows the error box. Cancel or the close box end the command;
//                      what was added stays.
//   ApplyBar           OK adds one product of the panel's class at once, numbered from its code;
//                      the panel stays open. Cancel or the close box end the command as the
//                      panel's do.
//   ConfirmPartNumber  "Replace BA-200 with X?" OK sets it and ends the command; Cancel or the
//                      close box return to the panel.
//   ApplyPartsError    a message box. After a mistake the person can mend (no code, a class the
//                      product does not take, an empty part number) its OK returns to the panel;
//                      after a refusal by the document (the product takes no interim product, or
//                      refuses its new part number) its OK ends the command.
//
// A command has one state in this host: each window has its agent in that state, and every
// transition leads back to it or to null. While the confirmation or the error box is up the
// panel and the bar are insensitive. The windows are made at once; the class frame, whose family
// is the active product's, at each activation. A command that could not make what it needs ends
// rather than show a window it could not close.
#pragma once

#include <string>

#include "vex/ErrorBox.h"
#include "vex/ObjectClassFrame.h"
#include "vex/Products.h"
#include "vex/StateCommand.h"

class VexExApplyPartsCmd : public VexStateCommand {
 public:
  VexExApplyPartsCmd();
  ~VexExApplyPartsCmd() override;

  void BuildGraph() override;
  VexStatusChangeRC Activate(VexCommand* sender, VexNotification* notification) override;
  VexStatusChangeRC Cancel(VexCommand* sender, VexNotification* notification) override;

  VexBoolean ApplyAction(void* data);        // the bar's OK
  VexBoolean CheckAction(void* data);        // the panel's OK
  VexBoolean ReplaceAction(void* data);      // the confirmation's OK
  VexBoolean BackAction(void* data);         // the confirmation's Cancel or close box
  VexBoolean AcknowledgeAction(void* data);  // the error box's OK
  VexBoolean LeaveAction(void* data);        // the panel's or the bar's Cancel or close box

 private:
  enum class AfterError { ReturnToPanel, EndCommand };

  // Windows (ApplyPartsWindows.cpp).
  void MakeWindows();
  void MakePanel();
  void MakeConfirmation();
  void MakeBar();
  bool MakeClassFrame(const VexUnicodeString& family, const VexUnicodeString& initialClass);
  void FillPanel();
  void ResetToPanel();
  void ShowPanelAndBar();
  void SetWorkSensitivity(unsigned int code);
  void ShowError(const std::string& message, AfterError after);
  void ReturnToPanel();
  void HideAll();
  void EndNow();

  // The graph and activation (ApplyPartsCmd.cpp).
  bool MakeGraph();
  bool Transition(VexDialogState* from, VexDialogState* to, VexDialogAgent* agent, VexNotification* event,
                  VexActionMethod method);
  bool TakeActiveProduct();
  bool ShowForActiveProduct();

  // The actions' work (ApplyPartsActions.cpp).
  bool AddOne(std::string& problem);
  static std::string Read(VexDlgEditor* editor);

  VexDlgDialog* _Panel = nullptr;                    // owned; disposed of by delayed destruction
  VexDlgDialog* _Bar = nullptr;                      // owned; disposed of by delayed destruction
  VexDlgDialog* _Confirm = nullptr;                  // owned; disposed of by delayed destruction
  VexStrErrorBox* _ErrorBox = nullptr;               // owned; disposed of by delayed destruction
  VexStrObjectClassFrame* _ClassFrame = nullptr;     // a child of the panel, made anew at each activation
  VexDlgEditor* _Code = nullptr;                     // a child of the panel
  VexDlgEditor* _PartNumber = nullptr;               // a child of the panel
  VexDlgLabel* _Added = nullptr;                     // a child of the bar
  VexDlgLabel* _Question = nullptr;                  // a child of the confirmation
  VexPanelAcquisition* _PanelAgent = nullptr;        // owned; disposed of by delayed destruction
  VexPanelAcquisition* _BarAgent = nullptr;          // owned; disposed of by delayed destruction
  VexPanelAcquisition* _ConfirmAgent = nullptr;      // owned; disposed of by delayed destruction
  VexDialogAgent* _ErrorAgent = nullptr;             // owned; disposed of by delayed destruction
  VexIProduct* _Product = nullptr;                   // counted: the active product
  VexIStrInterimProductFactory* _Factory = nullptr;  // counted: the active product's factory
  VexUnicodeString _NewPartNumber;                   // the part number waiting for confirmation
  int _AddedCount = 0;                               // products added by this command so far
  AfterError _AfterError = AfterError::ReturnToPanel;
  bool _Ready = false;     // everything made: the command can be worked to its end
  bool _EndAsked = false;  // the command has asked for its end
};
