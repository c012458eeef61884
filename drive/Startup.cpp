#include "Startup.h"

#include <iostream>

#include "DefaultDocument.h"
#include "Errors.h"
#include "Text.h"
#include "vexhost/Session.h"

namespace vexdrive {

vexhost::DocumentData LoadDocument(const Options& options) {
  try {
    return options.Document.empty() ? DefaultDocument() : vexhost::ReadDocumentFile(options.Document);
  } catch (const vexhost::DocumentError& error) {
    throw BadInput(error.what());
  }
}

namespace {
std::ostream* Speech = &std::cout;
}  // namespace

void Say(const std::string& text) { *Speech << PrintableLines(text); }

void SayTo(std::ostream& out) { Speech = &out; }

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
  Say("document " + Quoted(document.Name) + " " +
      (options.Document.empty() ? "(embedded)" : "from " + options.Document) + ", " +
      (document.ActivePath ? "active product " + Printable(Join(*document.ActivePath, "/")) : "no current editor") +
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

}  // namespace vexdrive
