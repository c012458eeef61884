#include "Run.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include "OutputWatch.h"
#include "drive/DefaultDocument.h"
#include "drive/Desk.h"
#include "drive/Errors.h"
#include "drive/ProcessHygiene.h"
#include "drive/Script.h"
#include "drive/Startup.h"
#include "drive/Svg.h"
#include "drive/SystemWatch.h"
#include "drive/Text.h"
#include "vexhost/Session.h"

namespace vexshell {

using namespace vexdrive;

namespace {

// Whether a file can be written at `path`, asked before the run so that a run is not lost for a
// place its result cannot be written to. Creates nothing.
void CheckWritable(const std::string& path, const char* option) {
  namespace fs = std::filesystem;
  std::error_code error;
  const std::string prefix = std::string(option) + " " + path + ": cannot be written: ";
  if (fs::is_directory(path, error)) throw BadInput(prefix + "it is a directory");
  if (fs::exists(path, error)) {
    if (access(path.c_str(), W_OK) != 0) throw BadInput(prefix + "permission denied");
    return;
  }
  const fs::path parent = fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
  if (!fs::is_directory(parent, error)) throw BadInput(prefix + "no directory " + parent.string());
  if (access(parent.c_str(), W_OK | X_OK) != 0) throw BadInput(prefix + "the directory is not writable");
}

void WriteFile(const std::string& path, const std::string& text, const char* what) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) throw BadInput(std::string("cannot write the ") + what + " to " + path);
}

struct Outcome {
  bool BadLine = false;  // a script stopped at a bad line, or a line at the prompt was refused
  int Failed = 0;
};

// What --check watches besides the accounting: what the module writes to standard output and
// error, and what it changes of the process. The run speaks through Out and Err.
class ProcessCheck {
 public:
  explicit ProcessCheck(bool check) {
    if (!check) return;
    try {
      _Watch = std::make_unique<OutputWatch>();
    } catch (const std::runtime_error& error) {
      throw BadInput(std::string("--check: ") + error.what());
    }
    SayTo(_Watch->Out());
  }
  ~ProcessCheck() { SayTo(std::cout); }
  ProcessCheck(const ProcessCheck&) = delete;
  ProcessCheck& operator=(const ProcessCheck&) = delete;

  std::ostream& Out() { return _Watch ? _Watch->Out() : std::cout; }
  std::ostream& Err() { return _Watch ? _Watch->Err() : std::cerr; }
  // Taken just before the module is loaded, when every descriptor the run keeps is open.
  // The system calls are watched from then on, until Findings.
  void TakeBaseline() {
    if (!_Watch) return;
    _Calls = SystemWatch::OfProcess();
    if (_Calls != nullptr) _Calls->Take();  // what an earlier run in this process did is not this one's
    _Baseline = std::make_unique<ProcessBaseline>();
    if (_Calls != nullptr) _Calls->Open();
  }
  // Ends the watch: what the module did to the process, one text for each kind.
  std::vector<std::string> Findings() {
    if (!_Watch) return {};
    // The process as the module left it, while the watch's own descriptors are as the baseline
    // found them; then what the module wrote.
    std::vector<std::string> findings;
    // Closed first: the comparison makes calls of its own (it reads the umask by setting it).
    if (_Calls != nullptr) _Calls->Close();
    const std::vector<std::string> changes = _Baseline ? _Baseline->Changes() : std::vector<std::string>();
    if (_Calls != nullptr) findings = LeftInPlace(_Calls->Take(), changes);
    for (auto& change : NotSeenByWatch(changes, findings)) findings.push_back(std::move(change));
    const OutputWatch::Heard heard = _Watch->Stop();
    if (!heard.Err.empty()) findings.insert(findings.begin(), OutputFinding("standard error", heard.Err));
    if (!heard.Out.empty()) findings.insert(findings.begin(), OutputFinding("standard output", heard.Out));
    return findings;
  }

 private:
  std::unique_ptr<OutputWatch> _Watch;
  std::unique_ptr<ProcessBaseline> _Baseline;
  SystemWatch* _Calls = nullptr;  // the watch at the system boundary, if the kernel offers one
};

Outcome RunScript(Desk& desk, const Options& options, std::istream& in, const std::string& source,
                  ProcessCheck& process) {
  const bool interactive = options.Interactive || (options.Script.empty() && isatty(STDIN_FILENO) != 0);
  Script script(desk, process.Out(), process.Err(), interactive, options.ModuleProfile);
  script.Run(in, source);
  return {script.Stopped() || script.RefusedLines() > 0, script.FailedExpectations()};
}

std::string Names(const std::set<std::string>& names) {
  constexpr std::size_t shown = 20;
  std::vector<std::string> first;
  for (const auto& name : names) {
    if (first.size() == shown) break;
    first.push_back(Printable(name));
  }
  return Join(first, ", ") + (names.size() > shown ? ", ... (" + std::to_string(names.size()) + " in all)" : "");
}

// A raise that names an object can only be checked once the run has made its objects: the module
// names most of them. One that never met a call of its operation on its object was mistyped, and
// the run was not the one asked for. One that met too few calls to raise is only noted.
void CheckRaises(vexhost::Session& session, const Options& options, std::ostream& err) {
  const auto rules = session.Faults().RaiseRules();
  for (std::size_t i = 0; i < rules.size() && i < options.Raises.size(); ++i) {
    const auto& rule = rules[i];
    if (rule.Counted >= rule.Nth) continue;
    const std::set<std::string> receivers(rule.Receivers.begin(), rule.Receivers.end());
    const std::string calls = receivers.empty() ? "no call of " + rule.Op + " was made in this run"
                                                : rule.Op + " was called on: " + Names(receivers);
    if (!rule.OnObject.empty() && rule.Counted == 0) {
      throw BadInput("--raise " + options.Raises[i] + ": no call of " + rule.Op + " was made on an object named " +
                     Quoted(rule.OnObject) + " (" + calls + ")");
    }
    err << "vexhost: --raise " << Printable(options.Raises[i]) << ": not raised: the run made " << rule.Counted
        << " such call(s), fewer than " << rule.Nth << "\n";
  }
}

// Ends the run: the running command goes as when the document closes, then what was asked for is
// written. Returns whether the accounting and the process are clean (or not asked for).
bool Finish(vexhost::Session& session, Desk& desk, const Options& options, ProcessCheck& process) {
  if (auto ended = desk.EndRun()) Say("end of run: " + *ended + "\n");
  CheckRaises(session, options, process.Err());
  const std::vector<std::string> changes = process.Findings();
  session.GetJournal().Flush();
  if (!options.Svg.empty()) {
    const Picture picture = desk.LastDrawing() ? *desk.LastDrawing() : desk.Draw();
    WriteFile(options.Svg, DrawSvg(picture), "picture");
  }
  if (!options.Check) return true;
  const vexhost::AccountingReport report = session.Accounting();
  Say(report.Text());
  for (const auto& change : changes) Say("process: " + change + "\n");
  if (!report.Clean()) std::cerr << "vexhost: --check: host objects are left alive or were released too often\n";
  if (!changes.empty()) std::cerr << "vexhost: --check: the module changed the process it runs in\n";
  return report.Clean() && changes.empty();
}

int RunSession(const Options& options) {
  const vexhost::DocumentData document = LoadDocument(options);
  if (!std::filesystem::is_directory(options.Resources)) {
    throw BadInput("--resources " + options.Resources + ": no such directory");
  }
  const bool fromStdin = options.Script.empty() || options.Script == "-";
  std::ifstream scriptFile;
  if (!fromStdin) {
    std::error_code error;
    if (std::filesystem::is_directory(options.Script, error)) {
      throw BadInput(options.Script + ": cannot be read: it is a directory");
    }
    scriptFile.open(options.Script);
    if (!scriptFile) throw BadInput(options.Script + ": cannot be read");
  }
  if (!options.Journal.empty()) CheckWritable(options.Journal, "--journal");
  if (!options.Svg.empty()) CheckWritable(options.Svg, "--svg");
  // The journal goes to its file as the run goes; the session keeps only its latest entries.
  std::ofstream journal;
  if (!options.Journal.empty()) {
    journal.open(options.Journal, std::ios::binary | std::ios::trunc);
    if (!journal) throw BadInput("--journal " + options.Journal + ": cannot be written");
  }
  ProcessCheck process(options.Check);
  vexhost::SessionOptions sessionOptions;
  sessionOptions.ResourceDirs = {options.Resources};
  vexhost::Session session(sessionOptions);
  if (journal.is_open()) session.GetJournal().StreamTo(&journal);
  process.TakeBaseline();
  // Loaded with the session open, as a host has one: what the module does wrong at load (a call
  // of the host besides registering, say) is in the session's journal and accounting.
  LoadModule(options.Module);
  OpenDocument(session, document, options);
  ArmFaults(session.Faults(), options);
  Desk desk(session);
  const Outcome outcome = fromStdin ? RunScript(desk, options, std::cin, "<stdin>", process)
                                    : RunScript(desk, options, scriptFile, options.Script, process);
  const bool clean = Finish(session, desk, options, process);
  if (journal.is_open()) {
    session.GetJournal().StreamTo(nullptr);
    journal.close();
    if (journal.fail()) throw BadInput("--journal " + options.Journal + ": cannot be written");
  }
  if (outcome.Failed > 0) std::cerr << "vexhost: " << outcome.Failed << " expectation(s) failed\n";
  if (outcome.BadLine) return ExitBadInput;
  return outcome.Failed > 0 || !clean ? ExitFailedCheck : ExitSuccess;
}

}  // namespace

int Run(const Options& options) {
  if (options.PrintDocument) {
    std::cout << DefaultDocumentJson();
    return ExitSuccess;
  }
  try {
    return RunSession(options);
  } catch (const BadInput& error) {
    std::cout.flush();
    std::cerr << "vexhost: " << Printable(Abbreviated(error.what(), MessageCharacters)) << std::endl;
    return ExitBadInput;
  }
}

}  // namespace vexshell
