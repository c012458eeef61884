#include "Run.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>

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

void LoadModule(const std::string& path) {
  try {
    const vexhost::LoadRecord& record = vexhost::Session::LoadModule(path);
    std::cout << "module " << FileName(path) << " loaded: " << Join(record.Events, ", ") << "\n";
  } catch (const std::runtime_error& error) {
    throw BadInput(error.what());
  }
  std::cout << "registered commands: " << Join(vexhost::Session::DictionaryNames(), ", ") << "\n";
}

void OpenDocument(vexhost::Session& session, const vexhost::DocumentData& document, const Options& options) {
  try {
    session.OpenDocument(document);
  } catch (const std::invalid_argument& error) {
    throw BadInput(error.what());
  }
  std::cout << "document \"" << document.Name << "\" " << (options.Document.empty() ? "(embedded)" : "from " + options.Document)
            << ", " << (document.ActivePath ? "active product " + Join(*document.ActivePath, "/") : "no current editor")
            << "\n";
}

void ArmFaults(vexhost::FaultPlan& plan, const Options& options) {
  for (int nth : options.FailAllocations) {
    plan.FailAllocation(nth);
    std::cout << "fault plan: host allocation #" << nth << " fails\n";
  }
  for (const auto& text : options.Raises) {
    std::string problem;
    const auto raise = vexhost::FaultPlan::ParseRaise(text, problem);
    if (!raise) throw BadInput("--raise " + text + ": " + problem);
    plan.Merge(*raise);
    std::cout << "fault plan: raise " << text << "\n";
  }
  for (const auto& text : options.Statuses) {
    std::string problem;
    const auto status = vexhost::FaultPlan::ParseStatus(text, problem);
    if (!status) throw BadInput("--status " + text + ": " + problem);
    plan.Merge(*status);
    std::cout << "fault plan: status " << text << "\n";
  }
}

namespace {

void WriteFile(const std::string& path, const std::string& text, const char* what) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) throw BadInput(std::string("cannot write the ") + what + " to " + path);
}

struct Outcome {
  bool Stopped = false;
  int Failed = 0;
};

Outcome RunScript(Desk& desk, const Options& options, std::istream& in, const std::string& source) {
  const bool interactive = options.Interactive || (options.Script.empty() && isatty(STDIN_FILENO) != 0);
  Script script(desk, std::cout, std::cerr, interactive);
  script.Run(in, source);
  return {script.Stopped(), script.FailedExpectations()};
}

// Ends the run: the running command goes as when the document closes, then what was asked for is
// written. Returns whether the accounting is clean (or not asked for).
bool Finish(vexhost::Session& session, Desk& desk, const Options& options) {
  if (auto ended = desk.EndRun()) std::cout << "end of run: " << *ended << "\n";
  session.GetJournal().Flush();
  if (!options.Svg.empty()) {
    const Picture picture = desk.LastDrawing() ? *desk.LastDrawing() : desk.Draw();
    WriteFile(options.Svg, DrawSvg(picture), "picture");
  }
  if (!options.Check) return true;
  const vexhost::AccountingReport report = session.Accounting();
  std::cout << report.Text();
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
    scriptFile.open(options.Script);
    if (!scriptFile) throw BadInput(options.Script + ": cannot be read");
  }
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
  if (outcome.Stopped) return ExitBadInput;
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
    std::cerr << "vexhost: " << error.what() << std::endl;
    return ExitBadInput;
  }
}

}  // namespace vexshell
