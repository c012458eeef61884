#include "Perform.h"

#include "Errors.h"
#include "Text.h"
#include "vex/Dialogs.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"

namespace vexdrive {

namespace {

vexhost::Session& CurrentSession() {
  vexhost::Session* session = vexhost::Session::Current();
  if (session == nullptr) throw LineError("no host session is open");
  return *session;
}

// Runs what the hands do, turning a refusal into the shell's own.
template <class Body>
auto AsAPerson(Body&& body) {
  try {
    return body();
  } catch (const vexhost::Refused& refused) {
    throw ActionRefused(refused.what());
  }
}

void Press(Desk& desk, const Address& address) {
  VexDialog* window = CurrentSession().FindDialog(address.Dialog);
  const bool messageBox = dynamic_cast<VexDlgNotify*>(window) != nullptr;
  if (address.Widget == "OK") {
    messageBox ? desk.Acknowledge(address.Dialog) : desk.PressOK(address.Dialog);
  } else if (address.Widget == "Cancel" && !messageBox) {
    desk.PressCancel(address.Dialog);
  } else {
    throw ActionRefused("'" + address.Dialog + "' has no button named '" + address.Widget +
                        "' that a command hears (OK and Cancel of a dialog, OK of a message box)");
  }
}

std::string Offered(const std::vector<std::string>& classes) {
  return "the class browser offers: " + (classes.empty() ? std::string("nothing") : Join(classes, ", "));
}

// A module's short form goes through the desk, which refuses a tab in a text and tells why no
// browser can be opened rather than refusing; a generic form is the hands' action as it stands.
std::vector<std::string> Browse(Desk& desk, const Action& action) {
  const Address& at = action.Target;
  if (!action.Shorthand.empty()) {
    if (action.Text) {
      desk.ChooseInBrowser(at, *action.Text);
      return {};
    }
    const BrowserOffer offer = desk.Browse(at);
    return {offer.Available ? Offered(offer.Classes) : "no class browser: " + offer.Reason};
  }
  vexhost::Hands hands(CurrentSession());
  if (action.Text) {
    AsAPerson([&] { hands.ChooseInBrowser(at.Dialog, at.Widget, *action.Text); });
    return {};
  }
  return {Offered(AsAPerson([&] { return hands.Browse(at.Dialog, at.Widget); }))};
}

void Choose(Desk& desk, const Action& action) {
  const std::string className = action.Text.value_or("");
  if (!action.Shorthand.empty()) return desk.ChooseClass(action.Target, className);
  vexhost::Hands hands(CurrentSession());
  AsAPerson([&] { hands.ChooseClass(action.Target.Dialog, action.Target.Widget, className); });
}

void Type(Desk& desk, const Action& action) {
  const std::string text = action.Text.value_or("");
  if (!action.Shorthand.empty()) return desk.Type(action.Target, text);
  vexhost::Hands hands(CurrentSession());
  AsAPerson([&] { hands.Type(action.Target.Dialog, action.Target.Widget, text); });
}

vexhost::Persistence ToPersistence(FaultWhen when) {
  return when == FaultWhen::Once ? vexhost::Persistence::Once : vexhost::Persistence::FromThenOn;
}

const char* WhenText(FaultWhen when) { return when == FaultWhen::Once ? "once" : "from then on"; }

std::string Fault(const Action& action) {
  vexhost::FaultPlan& plan = CurrentSession().Faults();
  const std::string rule = action.Text.value_or("");
  const vexhost::Persistence persistence = ToPersistence(action.When);
  std::string problem;
  std::optional<vexhost::FaultPlan> parsed;
  switch (action.Fault) {
    case FaultKind::Allocation:
      // Counted from this line, as a raise or a status is: the nth allocation after it.
      plan.FailAllocation(plan.AllocationsSeen() + std::stoi(rule), persistence);
      return "fault plan: host allocation #" + rule + " fails " + WhenText(action.When);
    case FaultKind::Raise:
      parsed = vexhost::FaultPlan::ParseRaise(rule, problem, persistence);
      break;
    case FaultKind::Status:
      parsed = vexhost::FaultPlan::ParseStatus(rule, problem, persistence);
      break;
  }
  // An action made in code rather than parsed may hold a rule the plan does not take.
  if (!parsed) throw LineError(rule + ": " + problem);
  plan.Merge(*parsed);
  return std::string("fault plan: ") + (action.Fault == FaultKind::Raise ? "raise " : "status ") + rule + " " +
         WhenText(action.When);
}

std::string Said(const std::optional<std::string>& done) { return done ? *done : "no command runs"; }

}  // namespace

std::vector<std::string> Perform(Desk& desk, const Action& action) {
  switch (action.Verb) {
    case ActionVerb::Start:
      desk.Start(action.Text.value_or(""));
      return {};
    case ActionVerb::Active:
      desk.MakeActive(action.Text.value_or(""));
      return {};
    case ActionVerb::NoEditor:
      desk.LeaveNoEditor();
      return {};
    case ActionVerb::Press:
      Press(desk, action.Target);
      return {};
    case ActionVerb::Type:
      Type(desk, action);
      return {};
    case ActionVerb::Choose:
      Choose(desk, action);
      return {};
    case ActionVerb::Browse:
      return Browse(desk, action);
    case ActionVerb::Close:
      desk.CloseWindow(action.Target.Dialog);
      return {};
    case ActionVerb::Acknowledge:
      desk.Acknowledge(action.Target.Dialog);
      return {};
    case ActionVerb::Interrupt:
      return {Said(desk.EndRun())};
    case ActionVerb::Reactivate:
      return {Said(desk.Reactivate())};
    case ActionVerb::Reopen:
      return {desk.Reopen()};
    case ActionVerb::Fault:
      return {Fault(action)};
  }
  return {};
}

}  // namespace vexdrive
