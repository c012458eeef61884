#include "Report.h"

#include <tinyxml2.h>

#include <filesystem>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "drive/Text.h"

namespace vexvalidator {

namespace {

// A path as one word of a shell command line.
std::string Absolute(const std::string& path) {
  const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  if (absolute.find_first_of(" \t'\"\\$`;&|<>()*?[]#~") == std::string::npos) return absolute;
  std::string quoted = "'";
  for (char c : absolute) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Count(int n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Where(const Occurrence& occurrence) {
  const Case& where = occurrence.Where;
  if (where.Stage == Phase::Load) return "loading the module (" + where.Label + ")";
  std::string text = std::string(PhaseName(where.Stage)) + " of " + where.Command;
  if (where.Stage == Phase::Lifecycle || where.Stage == Phase::Random) text += ", " + where.Label;
  if (where.Stage == Phase::Faults) text += ", " + where.Label + " at fault point " + std::to_string(where.FaultPoint);
  return text;
}

std::string Phases(const FindingGroup& group) {
  std::vector<std::string> parts;
  for (const auto& [phase, count] : group.ByPhase) parts.push_back(std::string(PhaseName(phase)) + " " + std::to_string(count));
  return vexdrive::Join(parts, ", ");
}

std::string ReplayPath(const std::string& replays, int number) {
  const std::string file = ReplayFileName(number);
  return replays.empty() ? file : (std::filesystem::path(replays) / file).string();
}

int LoadChecks(const Outcome& outcome) {
  return static_cast<int>(outcome.Load.Checks.size() + outcome.Exports.size());
}

}  // namespace

int ExitCode(const Outcome& outcome) { return outcome.Findings.empty() ? ExitClean : ExitFindings; }

std::string ReplayFileName(int number) { return "finding-" + std::to_string(number) + ".vex"; }

std::string ReplayCommand(const Outcome& outcome, const std::string& file) {
  std::string command = "vexhost --module " + Absolute(outcome.Module);
  if (!outcome.Document.empty()) command += " --document " + Absolute(outcome.Document);
  if (!outcome.Resources.empty()) command += " --resources " + Absolute(outcome.Resources);
  return command + " --check --script " + file;
}

std::string ReplayScript(const Outcome& outcome, const FindingGroup& finding, const std::string& file) {
  std::ostringstream script;
  // A message of several lines (a diff) stays a comment, each of its lines.
  std::string message = finding.What.Message;
  for (std::size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n', at + 3)) {
    message.replace(at, 1, "\n# ");
  }
  script << "# vexhost validate found: " << finding.What.Kind << ": " << message << "\n";
  script << "# in " << Where(finding.First) << "\n";
  script << "# replay: " << ReplayCommand(outcome, file) << "\n";
  const auto& lines = finding.First.Where.Lines;
  if (lines.empty()) script << "# (loading the module shows it: vexhost prints what loading did)\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (static_cast<int>(i) == finding.First.Step) script << "# the next line is where it happened\n";
    script << lines[i] << "\n";
  }
  return script.str();
}

void WriteText(std::ostream& out, const Outcome& outcome, const std::string& replays) {
  out << "vexhost validate " << outcome.Module << "\n";
  out << "  document: " << (outcome.Document.empty() ? "the embedded ship" : outcome.Document) << "\n";
  out << "  registered: " << (outcome.Commands.empty() ? "nothing" : vexdrive::Join(outcome.Commands, ", ")) << "\n";
  int loadFailures = 0;
  for (const auto& checks : {outcome.Load.Checks, outcome.Exports}) {
    for (const auto& check : checks) loadFailures += check.Findings.empty() ? 0 : 1;
  }
  out << "  load: " << Count(LoadChecks(outcome), "check", "checks") << ", "
      << (loadFailures == 0 ? std::string("all passed") : std::to_string(loadFailures) + " failed") << "\n";
  for (const auto& command : outcome.Commands) {
    const CommandStats& stats = outcome.Stats.at(command);
    out << "  " << command << ": " << Count(stats.Lifecycles, "lifecycle", "lifecycles") << "; "
        << Count(stats.Paths, "path", "paths") << " explored (" << Count(stats.States, "state", "states")
        << ", depth " << outcome.Depth << "); " << Count(stats.Sweeps, "fault sweep", "fault sweeps") << " of "
        << Count(stats.FaultCases, "case", "cases") << "; " << Count(stats.RandomSequences, "random sequence", "random sequences")
        << "\n";
    if (stats.Identical > 0) {
      out << "    left out: " << Count(stats.Identical, "fault case", "fault cases")
          << " that would repeat a shorter path's run, refused the same line\n";
    }
    if (stats.Unswept > 0) {
      out << "    not swept: " << Count(stats.Unswept, "path", "paths") << " with findings already without faults\n";
    }
    if (stats.Skipped > 0) out << "    not run: " << Count(stats.Skipped, "path", "paths") << " ending in a line that hung before\n";
  }
  out << "  random sequences: seed " << outcome.Seed << " (--seed " << outcome.Seed << " runs them again)\n";
  for (const auto& note : outcome.Notes) out << "  note: " << note << "\n";
  out << "  " << Count(outcome.Cases, "case", "cases") << " in " << std::fixed << std::setprecision(2) << outcome.Seconds
      << " s (" << static_cast<long long>(outcome.Cases / std::max(outcome.Seconds, 1e-3)) << " cases/s) on "
      << Count(outcome.Workers, "worker", "workers");
  if (outcome.Restarts > 0) out << " (" << outcome.Restarts << " replaced after a case ended them)";
  out << "\n\n";
  if (outcome.Findings.empty()) {
    out << "no findings: the module passed every check\n";
    return;
  }
  out << Count(static_cast<int>(outcome.Findings.size()), "finding", "findings") << ":\n";
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    const std::string file = ReplayPath(replays, ++number);
    out << "\n[" << number << "] " << finding.What.Kind << ": " << finding.What.Message << "\n";
    out << "    in " << Count(finding.Count, "case", "cases") << " (" << Phases(finding) << "); simplest: "
        << Where(finding.First) << "\n";
    out << "    replay: " << ReplayCommand(outcome, file) << "\n";
    std::istringstream script(ReplayScript(outcome, finding, file));
    // The script's heading (what was found, where, how to replay it) is shown above.
    bool heading = true;
    for (std::string line; std::getline(script, line);) {
      if (heading) {
        heading = line.rfind("# replay", 0) != 0;
        continue;
      }
      out << "    | " << line << "\n";
    }
  }
  out << "\n" << Count(static_cast<int>(outcome.Findings.size()), "finding", "findings") << " (exit code 1)\n";
}

std::string JsonReport(const Outcome& outcome, const std::string& replays) {
  using nlohmann::ordered_json;
  ordered_json report;
  report["module"] = std::filesystem::absolute(outcome.Module).lexically_normal().string();
  report["document"] = outcome.Document.empty()
                           ? ordered_json(nullptr)
                           : ordered_json(std::filesystem::absolute(outcome.Document).lexically_normal().string());
  report["seed"] = outcome.Seed;
  report["workers"] = outcome.Workers;
  report["cases"] = outcome.Cases;
  report["seconds"] = outcome.Seconds;
  report["casesPerSecond"] = outcome.Cases / std::max(outcome.Seconds, 1e-3);
  ordered_json load = ordered_json::array();
  for (const auto& checks : {outcome.Load.Checks, outcome.Exports}) {
    for (const auto& check : checks) load.push_back({{"check", check.Name}, {"passed", check.Findings.empty()}});
  }
  report["load"] = load;
  report["registered"] = outcome.Load.Registered;
  ordered_json commands = ordered_json::array();
  for (const auto& command : outcome.Commands) {
    const CommandStats& stats = outcome.Stats.at(command);
    commands.push_back({{"name", command},
                        {"lifecycles", stats.Lifecycles},
                        {"paths", stats.Paths},
                        {"states", stats.States},
                        {"depth", outcome.Depth},
                        {"faultSweeps", stats.Sweeps},
                        {"faultCases", stats.FaultCases},
                        {"randomSequences", stats.RandomSequences},
                        {"unswept", stats.Unswept},
                        {"identicalLeftOut", stats.Identical},
                        {"skipped", stats.Skipped}});
  }
  report["commands"] = commands;
  report["notes"] = outcome.Notes;
  ordered_json findings = ordered_json::array();
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    const std::string file = ReplayPath(replays, ++number);
    const Case& where = finding.First.Where;
    findings.push_back({{"id", number},
                        {"kind", finding.What.Kind},
                        {"message", finding.What.Message},
                        {"count", finding.Count},
                        {"phase", PhaseName(where.Stage)},
                        {"command", where.Command},
                        {"case", where.Label},
                        {"faultPoint", where.FaultPoint},
                        {"lines", where.Lines},
                        {"line", finding.First.Step},
                        {"replayFile", file},
                        {"replay", ReplayCommand(outcome, file)},
                        {"script", ReplayScript(outcome, finding, file)}});
  }
  report["findings"] = findings;
  report["exitCode"] = ExitCode(outcome);
  return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string JUnitReport(const Outcome& outcome, const std::string& replays) {
  std::map<std::string, std::string> replayOf;  // "kind: message" -> how to replay it
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    replayOf[finding.What.Kind + ": " + finding.What.Message] = ReplayCommand(outcome, ReplayPath(replays, ++number));
  }
  tinyxml2::XMLDocument document;
  document.InsertEndChild(document.NewDeclaration());
  tinyxml2::XMLElement* root = document.NewElement("testsuites");
  root->SetAttribute("name", ("vexhost validate " + outcome.Module).c_str());
  root->SetAttribute("time", outcome.Seconds);
  document.InsertEndChild(root);
  std::map<std::string, tinyxml2::XMLElement*> suites;
  int tests = 0;
  int failures = 0;
  for (const TestRecord& test : outcome.Tests) {
    tinyxml2::XMLElement*& suite = suites[test.Suite];
    if (suite == nullptr) {
      suite = root->InsertNewChildElement("testsuite");
      suite->SetAttribute("name", test.Suite.c_str());
      suite->SetAttribute("tests", 0);
      suite->SetAttribute("failures", 0);
      suite->SetAttribute("skipped", 0);
    }
    tinyxml2::XMLElement* element = suite->InsertNewChildElement("testcase");
    element->SetAttribute("classname", test.Suite.c_str());
    element->SetAttribute("name", test.Name.c_str());
    if (test.Cases > 1) element->SetAttribute("cases", test.Cases);
    suite->SetAttribute("tests", suite->IntAttribute("tests") + 1);
    ++tests;
    if (test.Skipped) {
      element->InsertNewChildElement("skipped")->SetAttribute("message", "its last line hung before");
      suite->SetAttribute("skipped", suite->IntAttribute("skipped") + 1);
    }
    if (test.Failures.empty()) continue;
    ++failures;
    suite->SetAttribute("failures", suite->IntAttribute("failures") + 1);
    std::string text;
    for (const Finding& failure : test.Failures) {
      const std::string what = failure.Kind + ": " + failure.Message;
      text += what + "\n  replay: " + replayOf[what] + "\n";
    }
    tinyxml2::XMLElement* failure = element->InsertNewChildElement("failure");
    failure->SetAttribute("type", test.Failures.front().Kind.c_str());
    failure->SetAttribute("message", test.Failures.front().Message.c_str());
    failure->SetText(text.c_str());
  }
  root->SetAttribute("tests", tests);
  root->SetAttribute("failures", failures);
  tinyxml2::XMLPrinter printer;
  document.Print(&printer);
  return printer.CStr();
}

}  // namespace vexvalidator
