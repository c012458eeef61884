#include "Validate.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "SlowConfirmation.h"
#include "Validation.h"
#include "drive/DefaultDocument.h"
#include "validator/findings/Report.h"
#include "validator/processes/Interruption.h"

namespace vexvalidator {

namespace {

class BadUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

RunSetup Setup(const ValidateOptions& options) {
  if (!std::filesystem::is_regular_file(options.Module)) throw BadUsage(options.Module + ": no such module file");
  if (!std::filesystem::is_directory(options.Resources)) {
    throw BadUsage("--resources " + options.Resources + ": no such directory");
  }
  RunSetup setup;
  setup.ResourceDirs = {options.Resources};
  try {
    setup.Document =
        options.Document.empty() ? vexdrive::DefaultDocument() : vexhost::ReadDocumentFile(options.Document);
  } catch (const vexhost::DocumentError& error) {
    throw BadUsage(error.what());
  }
  return setup;
}

void WriteFile(const std::string& path, const std::string& text, const std::string& what) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  if (!file) throw BadUsage("cannot write the " + what + " to " + path);
}

// Checked before the validation runs, so that a report that cannot be written fails at once.
void CheckWritable(const std::string& path, const std::string& what) {
  if (path.empty()) return;
  const std::filesystem::path parent = std::filesystem::absolute(path).parent_path();
  if (!std::filesystem::is_directory(parent))
    throw BadUsage("cannot write the " + what + " to " + path + ": no such directory");
  if (std::filesystem::is_directory(path))
    throw BadUsage("cannot write the " + what + " to " + path + ": it is a directory");
}

void WriteReplays(const Outcome& outcome, const std::string& directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) throw BadUsage("cannot make the directory " + directory + ": " + error.message());
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    const std::string path = (std::filesystem::path(directory) / ReplayFileName(++number)).string();
    WriteFile(path, ReplayScript(outcome, finding, path), "replay script");
  }
}

// A replay runs one case's lines: it may take as long as a case, and the host's start besides.
int ReplayLimitMs(const ValidateOptions& options) { return options.TimeLimitMs + 10000; }

}  // namespace

int Validate(const ValidateOptions& asked, std::ostream& out, std::ostream& err) {
  ValidateOptions options = asked;
  try {
    const RunSetup setup = Setup(options);
    // dlopen looks a bare file name up in the library path, not here.
    options.Module = std::filesystem::absolute(options.Module).lexically_normal().string();
    CheckWritable(options.Json, "JSON report");
    CheckWritable(options.JUnit, "JUnit report");
    // SIGINT, SIGTERM or the time limit stop the validation; its reports are written all the same.
    Interruption interruption{std::chrono::seconds(options.RunLimitSeconds)};
    std::optional<Validation> validation;
    try {
      validation.emplace(options, setup);
      validation->StopWhen([&interruption] { return interruption.Reason(); });
      if (!validation->Load()) throw BadUsage("cannot load " + asked.Module + ": " + validation->Error());
      validation->Run();
    } catch (const ApprovedError& error) {
      throw BadUsage("--approved " + options.Approved + ": " + error.what());
    }
    Outcome& outcome = validation->Result();
    if (!options.Host.empty()) ConfirmSlowByReplay(outcome, options.Host, ReplayLimitMs(options));
    if (!options.Replays.empty()) WriteReplays(outcome, options.Replays);
    if (!options.Json.empty()) WriteFile(options.Json, JsonReport(outcome, options.Replays), "JSON report");
    if (!options.JUnit.empty()) WriteFile(options.JUnit, JUnitReport(outcome, options.Replays), "JUnit report");
    WriteText(out, outcome, options.Replays);
    out.flush();
    // Stopped by a signal, the process says so as a process ended by it would.
    if (const int signal = interruption.Signal(); signal != 0 && !outcome.Partial.empty()) return 128 + signal;
    return ExitCode(outcome);
  } catch (const BadUsage& error) {
    out.flush();
    err << "vexhost validate: " << error.what() << std::endl;
    return ExitBadUsage;
  }
}

}  // namespace vexvalidator
