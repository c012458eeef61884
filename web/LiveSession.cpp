#include "LiveSession.h"

#include <filesystem>
#include <sstream>

#include "PageActions.h"
#include "PageView.h"
#include "drive/Desk.h"
#include "drive/Script.h"
#include "drive/Startup.h"
#include "vexhost/Session.h"

namespace vexweb {

namespace {

constexpr const char* Source = "page";
constexpr std::size_t JournalShown = 40;

// The script runner names the line in its message; the page shows the reason alone.
std::string Reason(const std::string& message) {
  const std::string prefix = std::string(Source) + ": line 1: ";
  std::string reason = message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  while (!reason.empty() && reason.back() == '\n') reason.pop_back();
  return reason;
}

// The windows split into the shown ones and the names of the hidden ones.
std::vector<std::string> SplitHidden(std::vector<vexhost::WidgetView>& windows) {
  std::vector<std::string> hidden;
  std::vector<vexhost::WidgetView> shown;
  for (auto& window : windows) {
    if (window.Visible) {
      shown.push_back(std::move(window));
    } else {
      hidden.push_back(window.Name);
    }
  }
  windows = std::move(shown);
  return hidden;
}

}  // namespace

LiveSession::LiveSession(vexhost::DocumentData document, const vexdrive::Options& options, RecordingBounds bounds)
    : _Opened(std::move(document)), _Options(options), _Bounds(bounds) {
  Open({options.FailAllocations, options.Raises, options.Statuses});
}

LiveSession::~LiveSession() = default;

void LiveSession::Open(const SessionFaults& faults) {
  // One host session exists at a time: the old one closes before the new one opens.
  _Desk.reset();
  if (_Session) {
    _Session.reset();
    if (const int left = vexhost::Session::LiveObjects(); left > 0) {
      _Outlived.push_back(std::to_string(left) + " host object(s) outlived a session closed for a new one");
    }
  }
  _Session = std::make_unique<vexhost::Session>(vexhost::SessionOptions{{_Options.Resources}});
  vexdrive::Options armed = _Options;
  armed.FailAllocations = faults.FailAllocations;
  armed.Raises = faults.Raises;
  armed.Statuses = faults.Statuses;
  vexdrive::OpenDocument(*_Session, _Opened, armed);
  vexdrive::ArmFaults(_Session->Faults(), armed);
  _Desk = std::make_unique<vexdrive::Desk>(*_Session);
  _Faults = faults;
  _Recording.Begin(armed);
  _RecordedBytes = 0;
  _Transcript.clear();
  _TranscriptDropped = 0;
}

ActOutcome LiveSession::Act(const vexdrive::Action& action) {
  const std::lock_guard lock(_Mutex);
  if (_Stopping) throw Stopping();
  ++_Version;
  const std::string line = vexdrive::ActionLine(action);
  ActOutcome outcome{line, {}, RecordingFull(line), {}, {}};
  if (outcome.Refusal.empty()) {
    std::ostringstream out;
    std::ostringstream err;
    vexdrive::Script script(*_Desk, out, err, false, _Options.ModuleProfile);
    script.Act(action, Source);
    outcome.Output = out.str();
    if (script.Stopped()) {
      outcome.Refusal = Reason(err.str());
    } else {
      _Recording.Add(line);
      _RecordedBytes += line.size() + 1;
      outcome.Offer = OfferListed(action, *_Desk);
    }
  }
  Transcribe(outcome);
  outcome.View = ViewHeld();
  return outcome;
}

std::string LiveSession::RecordingFull(const std::string& line) const {
  if (_Recording.Lines().size() < _Bounds.Lines && _RecordedBytes + line.size() + 1 <= _Bounds.Bytes) return {};
  return "the recording is full (" + std::to_string(_Recording.Lines().size()) + " lines, " +
         std::to_string(_RecordedBytes) + " bytes): download it, then start a new session";
}

void LiveSession::Transcribe(const ActOutcome& outcome) {
  _Transcript.push_back(
      {outcome.Line, outcome.Refusal.empty() ? outcome.Output : outcome.Refusal, !outcome.Refusal.empty()});
  if (_Transcript.size() > TranscriptKept) {
    _Transcript.pop_front();
    ++_TranscriptDropped;
  }
}

nlohmann::json LiveSession::Restart(const SessionFaults& faults) {
  const std::lock_guard lock(_Mutex);
  if (_Stopping) throw Stopping();
  ++_Version;
  Open(faults);
  return ViewHeld();
}

nlohmann::json LiveSession::View() {
  const std::lock_guard lock(_Mutex);
  return ViewHeld();
}

nlohmann::json LiveSession::ViewHeld() {
  // One look at the windows for the whole view: each look asks the module for resource files.
  std::vector<vexhost::WidgetView> windows = _Desk->OpenWindows();
  const std::vector<std::string> hidden = SplitHidden(windows);
  const vexhost::AccountingReport accounting = _Session->Accounting();
  nlohmann::json transcript = nlohmann::json::array();
  for (const Entry& entry : _Transcript) {
    transcript.push_back({{"line", entry.Line}, {"output", entry.Output}, {"refused", entry.Refused}});
  }
  return {
      {"version", _Version.load()},
      {"state", _Desk->State()},
      {"running", _Desk->Running()},
      {"picture", PictureJson(vexdrive::LayOut(windows), windows)},
      {"hidden", hidden},
      {"tree", TreeJson(_Desk->Document(), _Opened)},
      {"commands", vexhost::Session::DictionaryNames()},
      {"journal", JournalJson(_Session->GetJournal(), JournalShown)},
      {"accounting", AccountingJson(accounting, _Desk->Running())},
      {"faults",
       {{"failAlloc", _Faults.FailAllocations},
        {"raise", _Faults.Raises},
        {"status", _Faults.Statuses},
        {"allocationsSeen", _Session->Faults().AllocationsSeen()},
        {"injected", _Session->Faults().FaultsInjected()}}},
      {"script",
       {{"lines", _Recording.Lines().size()},
        {"transcript", std::move(transcript)},
        {"transcriptDropped", _TranscriptDropped},
        {"replay", _Recording.ShellArguments()},
        {"replayCommand", _Recording.ReplayCommand()}}},
  };
}

std::string LiveSession::Script() {
  const std::lock_guard lock(_Mutex);
  return _Recording.Script(*_Desk);
}

vexhost::AccountingReport LiveSession::End() {
  const std::lock_guard lock(_Mutex);
  _Desk->EndRun();
  vexhost::AccountingReport report = _Session->Accounting();
  report.Live.insert(report.Live.end(), _Outlived.begin(), _Outlived.end());
  return report;
}

}  // namespace vexweb
