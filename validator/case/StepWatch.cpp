#include "StepWatch.h"

#include <algorithm>

#include "Actions.h"
#include "drive/Action.h"
#include "drive/Text.h"
#include "vex/StateCommand.h"
#include "vexhost/ProductWatch.h"
#include "vexhost/Session.h"
#include "vexhost/Snapshot.h"

namespace vexvalidator {

namespace {

using vexdrive::ActionVerb;

std::string Label(const vexhost::TransitionView& transition) {
  return transition.From + " -> " + transition.To + " when " + transition.Condition;
}

// The number N of a transition named "transition N", or 0.
int TransitionNumber(const std::string& name) {
  const std::string prefix = "transition ";
  if (name.rfind(prefix, 0) != 0) return 0;
  try {
    return std::stoi(name.substr(prefix.size()));
  } catch (const std::exception&) {
    return 0;
  }
}

void AddOnce(std::vector<int>& to, int value) {
  if (std::find(to.begin(), to.end(), value) == to.end()) to.push_back(value);
}

std::string PathText(const std::vector<std::string>& names) { return vexdrive::Join(names, "/"); }

}  // namespace

std::string ButtonName(const vexdrive::Action& press) {
  const vexdrive::Address& at = press.Target;
  if (press.Verb == ActionVerb::Close) return "the close box of '" + at.Dialog + "'";
  if (press.Verb == ActionVerb::Acknowledge) return "OK of the message box '" + at.Dialog + "'";
  return at.Widget + " of '" + at.Dialog + "'";
}

bool IsLeaving(const vexdrive::Action& action) {
  return action.Verb == ActionVerb::Close || (action.Verb == ActionVerb::Press && action.Target.Widget == "Cancel");
}

bool IsWayOut(const vexdrive::Action& action) { return IsLeaving(action) || action.Verb == ActionVerb::Acknowledge; }

bool IsPress(const std::string& line) {
  const std::optional<vexdrive::Action> action = ActionOf(line);
  return action && vexdrive::IsButton(*action);
}

StepWatch::StepWatch(vexhost::Session& session, bool keepsApplied)
    : _Session(session), _KeepsApplied(keepsApplied), _Changes(std::make_unique<vexhost::ChangeWatch>(session)) {
  Take();
}

StepWatch::~StepWatch() = default;

void StepWatch::Take() {
  _Sight = LookAt(_Session);
  VexStateCommand* running = _Session.RunningCommand();
  if (running == nullptr) {
    _CommandState = "(none)";
  } else {
    const vexhost::GraphView graph = vexhost::SnapshotGraph(*running);
    _CommandState = graph.CurrentState;
    if (_Coverage.Transitions.empty()) {
      for (const auto& transition : graph.Transitions) _Coverage.Transitions.push_back(Label(transition));
    }
  }
  _Fingerprint = StateFingerprint(_Session, _Sight, _CommandState);
  for (const auto& name : _Sight.ShownNames()) {
    if (std::find(_Coverage.Dialogs.begin(), _Coverage.Dialogs.end(), name) == _Coverage.Dialogs.end()) {
      _Coverage.Dialogs.push_back(name);
    }
  }
}

void StepWatch::Before(const std::string& line) {
  if (LineIs(line, ActionVerb::Start)) {
    // What a command leaves is counted from its start.
    _Changes->Take();
    _Created.clear();
    _Renumbered.clear();
  }
  _Trail.push_back(_Fingerprint);
  _JournalBefore = _Session.GetJournal().Size();
  _EndedBefore = _Session.CommandsEnded();
  _Began = std::chrono::steady_clock::now();
}

void StepWatch::After(const std::string& line, int index, bool accepted) {
  const double milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - _Began).count();
  _Coverage.Timed({line, milliseconds});
  const std::string fingerprintBefore = _Fingerprint;
  const std::string stateBefore = _CommandState;
  const std::vector<std::string> shownBefore = _Sight.ShownWindows();
  Take();
  NoteChanges(_Changes->Take());
  if (!accepted) return;
  NoteFired(line, stateBefore, stateBefore != "(none)");
  const bool silent = _Session.GetJournal().Size() == _JournalBefore;
  if (IsPress(line) && silent && _Fingerprint == fingerprintBefore) {
    _Findings.push_back({kind::DeadButton,
                         ButtonName(*ActionOf(line)) +
                             " does nothing when pressed: no transition fires and nothing a person can see changes",
                         index, "expect answered"});
  }
  const std::vector<std::string> shown = _Sight.ShownWindows();
  if (_Session.CommandsEnded() > _EndedBefore && _Session.RunningCommand() == nullptr && !shown.empty()) {
    _Findings.push_back(
        {kind::ShownAfterEnd,
         "the command ended and left its dialog '" + shown.front() + "' shown: nothing answers it any more", index,
         "expect dialog " + vexdrive::ScriptWord(shown.front()) + " absent"});
  }
  CheckCancelLeftNothing(line, index);
  KeepWhatAPressApplied(line, shownBefore);
}

// What a press of a button (an Apply, a bar's OK) changed while the command goes on, with no new
// window to answer first, was applied on purpose before a person's eyes: a later Cancel leaves it,
// as Cancel leaves what Apply did. Changes made otherwise (at the start, by typing, by a press that
// asks for a confirmation, by the Cancel itself) stay counted.
void StepWatch::KeepWhatAPressApplied(const std::string& line, const std::vector<std::string>& shownBefore) {
  const std::optional<vexdrive::Action> action = ActionOf(line);
  if (!action || action->Verb != ActionVerb::Press || IsLeaving(*action) || _Session.RunningCommand() == nullptr) {
    return;
  }
  for (const auto& shown : _Sight.ShownWindows()) {
    if (std::find(shownBefore.begin(), shownBefore.end(), shown) == shownBefore.end()) return;
  }
  _Created.clear();
  _Renumbered.clear();
}

void StepWatch::NoteChanges(const std::vector<vexhost::ProductChange>& changes) {
  using Kind = vexhost::ProductChange::Kind;
  for (const auto& change : changes) {
    if (change.What == Kind::DocumentOpened) {
      _Created.clear();
      _Renumbered.clear();
    } else if (change.What == Kind::ProductCreated) {
      _Created.push_back(change.Path);
    } else if (change.What == Kind::PartNumberSet &&
               std::find(_Created.begin(), _Created.end(), change.Path) == _Created.end()) {
      auto [found, fresh] = _Renumbered.try_emplace(change.Path, change.Before, change.After);
      if (!fresh) found->second.second = change.After;
    }
  }
}

// A Cancel or a close box that ends the command leaves the document as the command found it, unless
// the author declared that a command keeps what it applied before.
void StepWatch::CheckCancelLeftNothing(const std::string& line, int index) {
  const std::optional<vexdrive::Action> action = ActionOf(line);
  const bool ended = _Session.CommandsEnded() > _EndedBefore && _Session.RunningCommand() == nullptr;
  if (_KeepsApplied || !ended || !action || !IsLeaving(*action)) return;
  const std::string left = ButtonName(*action) + " ended the command and left the document changed: ";
  if (!_Created.empty()) {
    const std::vector<std::string>& created = _Created.front();
    const std::vector<std::string> parent(created.begin(), created.end() - 1);
    const auto sight = vexhost::SeeProduct(_Session, parent);
    const auto under = std::count_if(_Created.begin(), _Created.end(), [&](const std::vector<std::string>& path) {
      return path.size() == created.size() && std::equal(parent.begin(), parent.end(), path.begin());
    });
    const std::size_t before = sight ? sight->ChildCount - static_cast<std::size_t>(under) : 0;
    _Findings.push_back({kind::KeptAfterCancel, left + "a product created at '" + PathText(created) + "'", index,
                         "expect count " + vexdrive::ScriptWord(PathText(parent)) + " " + std::to_string(before)});
    return;
  }
  for (const auto& [path, change] : _Renumbered) {
    if (change.first == change.second) continue;
    _Findings.push_back(
        {kind::KeptAfterCancel,
         left + "the part number of '" + PathText(path) + "' changed from '" + change.first + "' to '" + change.second +
             "'",
         index,
         "expect partnumber " + vexdrive::ScriptWord(PathText(path)) + " " + vexdrive::ScriptWord(change.first)});
    return;
  }
}

// The transitions that the step fired: each that ran its action, and one without an action that
// made the move the command made.
void StepWatch::NoteFired(const std::string& line, const std::string& stateBefore, bool ranBefore) {
  if (_Coverage.Transitions.empty()) return;
  vexhost::Journal& journal = _Session.GetJournal();
  bool ranAction = false;
  for (std::size_t i = _JournalBefore; i < journal.Size(); ++i) {
    const vexhost::JournalEntry* entry = journal.At(i);
    if (entry == nullptr || entry->Op != "RunAction" || entry->Args.empty()) continue;
    const int number = TransitionNumber(entry->Args.front());
    if (number >= 1 && number <= static_cast<int>(_Coverage.Transitions.size())) {
      AddOnce(_Coverage.Fired, number - 1);
      ranAction = true;
    }
  }
  if (ranAction || !ranBefore || LineIs(line, ActionVerb::Interrupt) || LineIs(line, ActionVerb::Start)) return;
  const std::string to = _CommandState == "(none)" ? "(end)" : _CommandState;
  if (to == stateBefore) return;
  const std::string move = stateBefore + " -> " + to + " when ";
  for (std::size_t i = 0; i < _Coverage.Transitions.size(); ++i) {
    if (_Coverage.Transitions[i].rfind(move, 0) == 0) {
      AddOnce(_Coverage.Fired, static_cast<int>(i));
      return;
    }
  }
}

}  // namespace vexvalidator
