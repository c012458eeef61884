#include "Run.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include "DefaultDocument.h"
#include "Desk.h"
#include "Errors.h"
#include "Script.h"
#include "Svg.h"
#include "Text.h"
#include "vexhost/Session.h"

namespace vexshell {

vexhost::DocumentData LoadDocument(const Options& options) {
  try {
    return options.Document.empty() ? DefaultDocument() : vexhost::ReadDocumentFile(options.Document);
  } catch (const vexhost::DocumentError& error) {
    throw BadInput(error.what());
  }
}

// Prints what the run says on standard output: texts from the document or the module are made
// printable, the lines stay lines.
void Say(const std::string& text) { std::cout << PrintableLines(text); }

void LoadModule(const std::string& path) {
  // A name without a slash is a file in the working directory, as for every other file option,
  // not a library to look for on the library path.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  try {
    const vexhost::LoadRecord& record = vexhost::Session::LoadModule(file);
    Say("module " + FileName(path) + " loaded: " + Join(record.Events, ", ") + "\n");
  } catch (const std::runtime_error& error) {
    throw BadInput("--module " + path + ": " + error.what());
  }
  Say("registered commands: " + Join(vexhost::Session::DictionaryNames(), ", ") + "\n");
}

void OpenDocument(vexhost::Session& session, const vexhost::DocumentData& document, const Options& options) {
  try {
    session.OpenDocument(document);
  } catch (const std::invalid_argument& error) {
    throw BadInput(error.what());
  }
  Say("document " + Quoted(document.Name) + " " + (options.Document.empty() ? "(embedded)" : "from " + options.Document) +
      ", " + (document.ActivePath ? "active product " + Printable(Join(*document.ActivePath, "/")) : "no current editor") +
      "\n");
}

void ArmFaults(vexhost::FaultPlan& plan, const Options& options) {
  for (int nth : options.FailAllocations) {
    plan.FailAllocation(nth);
    Say("fault plan: host allocation #" + std::to_string(nth) + " fails\n");
  }
  // Each --raise and --status text is one rule, read by the fault plan's own parser.
  auto arm = [&](const std::vector<std::string>& texts, const char* option, const char* what, auto parse) {
    for (const auto& text : texts) {
      std::string problem;
      const auto rule = parse(text, problem, vexhost::Persistence::Once);
      if (!rule) throw BadInput(std::string(option) + " " + text + ": " + problem);
      plan.Merge(*rule);
      Say(std::string("fault plan: ") + what + " " + text + "\n");
    }
  };
  arm(options.Raises, "--raise", "raise", &vexhost::FaultPlan::ParseRaise);
  arm(options.Statuses, "--status", "status", &vexhost::FaultPlan::ParseStatus);
}

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

Outcome RunScript(Desk& desk, const Options& options, std::istream& in, const std::string& source) {
  const bool interactive = options.Interactive || (options.Script.empty() && isatty(STDIN_FILENO) != 0);
  Script script(desk, std::cout, std::cerr, interactive);
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
void CheckRaises(vexhost::Session& session, const Options& options) {
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
    std::cerr << "vexhost: --raise " << Printable(options.Raises[i]) << ": not raised: the run made "
              << rule.Counted << " such call(s), fewer than " << rule.Nth << "\n";
  }
}

// Ends the run: the running command goes as when the document closes, then what was asked for is
// written. Returns whether the accounting is clean (or not asked for).
bool Finish(vexhost::Session& session, Desk& desk, const Options& options) {
  if (auto ended = desk.EndRun()) Say("end of run: " + *ended + "\n");
  CheckRaises(session, options);
  session.GetJournal().Flush();
  if (!options.Svg.empty()) {
    const Picture picture = desk.LastDrawing() ? *desk.LastDrawing() : desk.Draw();
    WriteFile(options.Svg, DrawSvg(picture), "picture");
  }
  if (!options.Check) return true;
  const vexhost::AccountingReport report = session.Accounting();
  Say(report.Text());
  if (!report.Clean()) std::cerr << "vexhost: --check: host objects are left alive or were released too often\n";
  return report.Clean();
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
  LoadModule(options.Module);
  vexhost::SessionOptions sessionOptions;
  sessionOptions.ResourceDirs = {options.Resources};
  vexhost::Session session(sessionOptions);
  if (journal.is_open()) session.GetJournal().StreamTo(&journal);
  OpenDocument(session, document, options);
  ArmFaults(session.Faults(), options);
  Desk desk(session);
  const Outcome outcome = fromStdin ? RunScript(desk, options, std::cin, "<stdin>")
                                    : RunScript(desk, options, scriptFile, options.Script);
  const bool clean = Finish(session, desk, options);
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
