// VexExApplyPartsCmd: what each window's buttons do.
#include <cstdint>

#include "ApplyPartsCmd.h"
#include "HostCalls.h"

using applyparts::Guarded;
using applyparts::ReleaseGuarded;
using applyparts::ReleaseHeld;

namespace {
constexpr int WholeText = -1;
}  // namespace

std::string VexExApplyPartsCmd::Read(VexDlgEditor* editor) {
  VexUnicodeString text;
  editor->GetLine(text, WholeText);
  return text.CastToCharPtr();
}

// Adds one product of the panel's class under the active product and numbers it from the code;
// false when a host error stopped it. `problem` says what went wrong, empty when all was done.
bool VexExApplyPartsCmd::AddOne(std::string& problem) {
  VexBaseUnknown* created = nullptr;  // counted
  VexIProduct* product = nullptr;     // counted
  return VexXHContext::Guard(
      [&] {
        const std::string code = Read(_Code);
        VexUnicodeString className = _ClassFrame->GetSelectedClass();
        const std::string chosen = className.CastToCharPtr();
        if (code.empty()) {
          problem = "Type the code the products are numbered from: CODE-1, CODE-2 and on.";
          return;
        }
        std::intptr_t extra = 0;
        if (_Factory->CreateInterimProduct(className, &extra, &created) < 0 || created == nullptr) {
          problem = "No product of class \"" + chosen + "\" was added: the active product does not take it.";
          return;
        }
        ++_AddedCount;
        const std::string partNumber = code + "-" + std::to_string(_AddedCount);
        void* found = nullptr;
        if (created->QueryInterface(IID_VexIProduct, &found) >= 0) product = static_cast<VexIProduct*>(found);
        ReleaseHeld(created);
        const bool numbered = product != nullptr && product->SetPartNumber(partNumber.c_str()) >= 0;
        ReleaseHeld(product);
        const std::string added = "Added " + std::to_string(_AddedCount) + "; the last ";
        _Added->SetTitle((added + (numbered ? "is " + partNumber + "." : "has no part number.")).c_str());
        if (!numbered) problem = "The new " + chosen + " was added, but it refused the part number " + partNumber + ".";
      },
      [&](VexBaseUnknown*) {
        ReleaseGuarded(product);
        ReleaseGuarded(created);
      });
}

// The bar's OK: one product added at once; the panel and the bar stay as they are.
VexBoolean VexExApplyPartsCmd::ApplyAction(void*) {
  std::string problem;
  const bool ran = AddOne(problem) && Guarded([&] {
                     if (problem.empty()) {
                       _BarAgent->InitializeAcquisition();  // the bar takes its next OK
                     } else {
                       ShowError(problem, AfterError::ReturnToPanel);
                     }
                   });
  // Stopped part-way by a host error: back to the panel and the bar, usable.
  if (!ran) ReturnToPanel();
  return ran && problem.empty() ? 1 : 0;
}

// The panel's OK: a new part number asks for confirmation, the same one ends the command, an
// empty one is a mistake to mend.
VexBoolean VexExApplyPartsCmd::CheckAction(void*) {
  bool unchanged = false;
  const bool ran = Guarded([&] {
    const std::string typed = Read(_PartNumber);
    const std::string current = _Product->GetPartNumber().CastToCharPtr();
    if (typed.empty()) {
      ShowError("Type a part number for the active product, or press Cancel to keep " + current + ".",
                AfterError::ReturnToPanel);
      return;
    }
    unchanged = typed == current;
    if (unchanged) return;
    _NewPartNumber = typed.c_str();
    SetWorkSensitivity(VexDlgInsensitive);
    _Question->SetTitle(("Replace " + current + " with " + typed + "?").c_str());
    _ConfirmAgent->InitializeAcquisition();
    _Confirm->SetVisibility(VexDlgShow);
  });
  if (unchanged) {
    EndNow();
  } else if (!ran) {
    ReturnToPanel();
  }
  return 1;
}

// The confirmation's OK: the part number is set and the command ends. A product that refuses it
// will refuse it again: the error box says so, and its OK ends the command.
VexBoolean VexExApplyPartsCmd::ReplaceAction(void*) {
  bool replaced = false;
  const bool told = Guarded([&] {
    const std::string current = _Product->GetPartNumber().CastToCharPtr();
    replaced = _Product->SetPartNumber(_NewPartNumber) >= 0;
    if (replaced) return;
    _Confirm->SetVisibility(VexDlgHide);
    ShowError("The active product refused the part number " + std::string(_NewPartNumber.CastToCharPtr()) +
                  " and keeps " + current + ".",
              AfterError::EndCommand);
  });
  if (replaced || !told) EndNow();
  return replaced ? 1 : 0;
}

VexBoolean VexExApplyPartsCmd::BackAction(void*) {
  ReturnToPanel();
  return 1;
}

VexBoolean VexExApplyPartsCmd::AcknowledgeAction(void*) {
  if (_AfterError == AfterError::EndCommand) {
    EndNow();
  } else {
    ReturnToPanel();
  }
  return 1;
}

// The panel's or the bar's Cancel or close box: the transition ends the command; what was added
// stays added.
VexBoolean VexExApplyPartsCmd::LeaveAction(void*) {
  HideAll();
  return 1;
}
