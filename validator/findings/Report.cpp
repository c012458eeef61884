#include "Report.h"

#include <tinyxml2.h>

#include <filesystem>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "CoverageReport.h"
#include "ReplayEnding.h"
#include "RulesReport.h"
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
  for (const auto& [phase, count] : group.ByPhase)
    parts.push_back(std::string(PhaseName(phase)) + " " + std::to_string(count));
  return vexdrive::Join(parts, ", ");
}

std::string ReplayPath(const std::string& replays, int number) { return ReplayTarget(replays, number); }

bool RandomCasesRan(const Outcome& outcome) {
  for (const auto& [command, stats] : outcome.Stats) {
    if (stats.RandomSequences > 0) return true;
  }
  return false;
}

int LoadChecks(const Outcome& outcome) { return static_cast<int>(outcome.Load.Checks.size() + outcome.Exports.size()); }

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
  for (const auto& line : ReplayEnding(outcome, finding)) script << line << "\n";
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
        << Count(stats.Paths, "path", "paths") << " explored (" << Count(stats.States, "state", "states") << ", depth "
        << outcome.Depth << "); " << Count(stats.Sweeps, "fault sweep", "fault sweeps") << " of "
        << Count(stats.FaultCases, "case", "cases") << "; "
        << Count(stats.RandomSequences, "random sequence", "random sequences") << "\n";
    if (stats.Repeats + stats.WayOut + stats.Returns > 0) {
      out << "    also run without faults: " << Count(stats.Repeats, "path", "paths")
          << " pressing again what changed nothing, " << Count(stats.Returns, "path", "paths")
          << " pressing a button again where a person came back to, " << Count(stats.WayOut, "path", "paths")
          << " in search of a way out\n";
    }
    if (stats.Identical > 0) {
      out << "    left out: " << Count(stats.Identical, "fault case", "fault cases")
          << " that would repeat a shorter path's run, refused the same line\n";
    }
  }
  if (RandomCasesRan(outcome)) {
    out << "  random sequences: seed " << outcome.Seed << " (--seed " << outcome.Seed << " runs them again)\n";
  }
  if (!outcome.Partial.empty()) {
    out << "  PARTIAL: the validation stopped early (" << outcome.Partial
        << "); what ran is reported, the rest did not run\n";
  }
  for (const auto& note : outcome.Notes) out << "  note: " << note << "\n";
  for (const auto& note : NotExplored(outcome)) out << "  not explored: " << note << "\n";
  const std::vector<std::string> bounds = BoundsMet(outcome);
  for (const auto& bound : bounds) out << "  bound met: " << bound << "\n";
  WriteCoverage(out, outcome);
  WriteRulesSeen(out, outcome);
  out << "  " << Count(outcome.Cases, "case", "cases") << " in " << std::fixed << std::setprecision(2)
      << outcome.Seconds << " s (" << static_cast<long long>(outcome.Cases / std::max(outcome.Seconds, 1e-3))
      << " cases/s) on " << Count(outcome.Workers, "worker", "workers");
  if (outcome.Restarts > 0) out << " (" << outcome.Restarts << " replaced after a case ended them)";
  out << "\n\n";
  if (outcome.Findings.empty()) {
    if (!outcome.Partial.empty()) {
      out << "no findings in what ran; the validation is partial (" + outcome.Partial + ")\n";
    } else {
      out << (bounds.empty()
                  ? "no findings: the module passed every check\n"
                  : "no findings within the bounds met (see above): the module passed every check it reached\n");
    }
    return;
  }
  out << Count(static_cast<int>(outcome.Findings.size()), "finding", "findings") << ":\n";
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    const std::string file = ReplayPath(replays, ++number);
    out << "\n[" << number << "] " << finding.What.Kind << ": " << finding.What.Message << "\n";
    out << "    in " << Count(finding.Count, "case", "cases") << " (" << Phases(finding)
        << "); simplest: " << Where(finding.First) << "\n";
    if (finding.Variants.size() > 1) {
      out << "    one fault, seen as " << finding.Variants.size() << " messages, such as:\n";
      int shown = 0;
      for (const auto& [message, count] : finding.Variants) {
        if (message == finding.What.Message) continue;
        if (++shown > 3) break;
        out << "      " << message << " (" << Count(count, "case", "cases") << ")\n";
      }
    }
    out << "    replay" << (replays.empty() ? " (these lines, saved as FILE; --replays DIR writes them)" : "") << ": "
        << ReplayCommand(outcome, file) << "\n";
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
  out << "\n" << Count(static_cast<int>(outcome.Findings.size()), "finding", "findings") << " (exit code 1)";
  if (!outcome.Partial.empty()) out << "; the validation is partial (" << outcome.Partial << ")";
  out << "\n";
}

std::string JsonReport(const Outcome& outcome, const std::string& replays) {
  using nlohmann::ordered_json;
  ordered_json report;
  report["module"] = std::filesystem::absolute(outcome.Module).lexically_normal().string();
  report["document"] = outcome.Document.empty()
                           ? ordered_json(nullptr)
                           : ordered_json(std::filesystem::absolute(outcome.Document).lexically_normal().string());
  report["seed"] = RandomCasesRan(outcome) ? ordered_json(outcome.Seed) : ordered_json(nullptr);
  report["partial"] = outcome.Partial.empty() ? ordered_json(nullptr) : ordered_json(outcome.Partial);
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
                        {"skipped", stats.Skipped},
                        {"repeats", stats.Repeats},
                        {"wayOut", stats.WayOut},
                        {"returns", stats.Returns},
                        {"refused", stats.Refused},
                        {"died", stats.Died}});
  }
  report["commands"] = commands;
  report["notes"] = outcome.Notes;
  report["notExplored"] = NotExplored(outcome);
  report["bounds"] = BoundsMet(outcome);
  report["coverage"] = CoverageJson(outcome);
  ordered_json phases = ordered_json::object();
  for (const auto& [name, phase] : outcome.Phases) phases[name] = {{"cases", phase.Cases}, {"seconds", phase.Seconds}};
  report["phases"] = phases;
  report["rules"] = RulesJson(outcome);
  ordered_json findings = ordered_json::array();
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    const std::string file = ReplayPath(replays, ++number);
    const Case& where = finding.First.Where;
    findings.push_back({{"id", number},
                        {"kind", finding.What.Kind},
                        {"message", finding.What.Message},
                        {"count", finding.Count},
                        {"root", finding.Root},
                        {"variants", finding.Variants},
                        {"seconds", finding.Seconds},
                        {"phase", PhaseName(where.Stage)},
                        {"command", where.Command},
                        {"case", where.Label},
                        {"faultPoint", where.FaultPoint},
                        {"lines", where.Lines},
                        {"line", finding.First.Step},
                        {"replayFile", replays.empty() ? ordered_json(nullptr) : ordered_json(file)},
                        {"replay", ReplayCommand(outcome, file)},
                        {"script", ReplayScript(outcome, finding, file)}});
  }
  report["findings"] = findings;
  report["exitCode"] = ExitCode(outcome);
  return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

namespace {

// A suite of the JUnit report: its element and its counts, set as test cases are added.
struct Suite {
  tinyxml2::XMLElement* Element = nullptr;
  int Tests = 0;
  int Failures = 0;
  int Skipped = 0;
  double Seconds = 0;
};

tinyxml2::XMLElement* AddTestCase(Suite& suite, const std::string& classname, const std::string& name, double seconds) {
  tinyxml2::XMLElement* element = suite.Element->InsertNewChildElement("testcase");
  element->SetAttribute("name", name.c_str());
  element->SetAttribute("classname", classname.c_str());
  element->SetAttribute("time", seconds);
  ++suite.Tests;
  return element;
}

// The suite of a command, or "load": its phases first, then its findings.
std::string SuiteOf(const Case& where) { return where.Stage == Phase::Load ? std::string("load") : where.Command; }

}  // namespace

// One test case for each phase that a command went through (what it ran and how long it took) and
// one for each finding (a failure with its replay); standard elements and attributes only.
std::string JUnitReport(const Outcome& outcome, const std::string& replays) {
  tinyxml2::XMLDocument document;
  document.InsertEndChild(document.NewDeclaration());
  tinyxml2::XMLElement* root = document.NewElement("testsuites");
  root->SetAttribute("name", ("vexhost validate " + outcome.Module).c_str());
  document.InsertEndChild(root);
  std::map<std::string, Suite> suites;
  std::vector<std::string> order;
  auto suiteNamed = [&](const std::string& name) -> Suite& {
    Suite& suite = suites[name];
    if (suite.Element == nullptr) {
      suite.Element = root->InsertNewChildElement("testsuite");
      suite.Element->SetAttribute("name", name.c_str());
      order.push_back(name);
    }
    return suite;
  };
  std::vector<std::pair<std::string, Phase>> phases{{"load", Phase::Load}};
  for (const auto& command : outcome.Commands) {
    for (Phase phase : {Phase::Lifecycle, Phase::Exploration, Phase::Faults, Phase::Random})
      phases.emplace_back(command, phase);
  }
  for (const auto& [suiteName, phase] : phases) {
    const std::string key = phase == Phase::Load ? std::string("load") : suiteName + "." + PhaseName(phase);
    const auto record = outcome.Phases.find(key);
    const PhaseRecord ran = record == outcome.Phases.end() ? PhaseRecord{} : record->second;
    Suite& suite = suiteNamed(suiteName);
    tinyxml2::XMLElement* element = AddTestCase(suite, suiteName, PhaseName(phase), ran.Seconds);
    suite.Seconds += ran.Seconds;  // a finding's cases are among its phases' cases
    std::string out = Count(ran.Cases, "case", "cases") + " run";
    int number = 0;
    std::vector<std::string> found;
    for (const auto& finding : outcome.Findings) {
      ++number;
      const auto seen = finding.ByPhase.find(phase);
      if (seen != finding.ByPhase.end() && SuiteOf(finding.First.Where) == suiteName)
        found.push_back("[" + std::to_string(number) + "]");
    }
    if (!found.empty()) out += "; findings seen in it: " + vexdrive::Join(found, " ");
    element->InsertNewChildElement("system-out")->SetText(out.c_str());
    if (ran.Cases == 0) {
      element->InsertNewChildElement("skipped")->SetAttribute("message", "no case of this phase ran");
      ++suite.Skipped;
    }
  }
  int number = 0;
  for (const auto& finding : outcome.Findings) {
    const std::string file = ReplayPath(replays, ++number);
    Suite& suite = suiteNamed(SuiteOf(finding.First.Where));
    const std::string what = finding.What.Kind + ": " + finding.What.Message;
    tinyxml2::XMLElement* element =
        AddTestCase(suite, SuiteOf(finding.First.Where), "[" + std::to_string(number) + "] " + what, finding.Seconds);
    tinyxml2::XMLElement* failure = element->InsertNewChildElement("failure");
    failure->SetAttribute("type", finding.What.Kind.c_str());
    failure->SetAttribute("message", finding.What.Message.c_str());
    const std::string text = what + "\n  in " + Count(finding.Count, "case", "cases") + " (" + Phases(finding) +
                             "); simplest: " + Where(finding.First) + "\n  replay: " + ReplayCommand(outcome, file) +
                             "\n" + ReplayScript(outcome, finding, file);
    failure->SetText(text.c_str());
    ++suite.Failures;
  }
  AddRulesSuite(*root, outcome);
  int tests = static_cast<int>(RuleTable.size());
  int failures = 0;
  int skipped = 0;
  for (const auto& name : order) {
    Suite& suite = suites[name];
    suite.Element->SetAttribute("tests", suite.Tests);
    suite.Element->SetAttribute("failures", suite.Failures);
    suite.Element->SetAttribute("errors", 0);
    suite.Element->SetAttribute("skipped", suite.Skipped);
    suite.Element->SetAttribute("time", suite.Seconds);
    tests += suite.Tests;
    failures += suite.Failures;
    skipped += suite.Skipped;
  }
  if (!outcome.Partial.empty()) {
    // A validation that stopped early is a test that could not complete.
    tinyxml2::XMLElement* suite = root->InsertNewChildElement("testsuite");
    suite->SetAttribute("name", "validation");
    suite->SetAttribute("tests", 1);
    suite->SetAttribute("failures", 0);
    suite->SetAttribute("errors", 1);
    tinyxml2::XMLElement* element = suite->InsertNewChildElement("testcase");
    element->SetAttribute("classname", "validation");
    element->SetAttribute("name", "ran every case");
    element->InsertNewChildElement("error")->SetAttribute("message", ("partial: " + outcome.Partial).c_str());
    ++tests;
  }
  root->SetAttribute("tests", tests);
  root->SetAttribute("failures", failures);
  root->SetAttribute("errors", outcome.Partial.empty() ? 0 : 1);
  root->SetAttribute("skipped", skipped);
  root->SetAttribute("time", outcome.Seconds);
  tinyxml2::XMLPrinter printer;
  document.Print(&printer);
  return printer.CStr();
}

}  // namespace vexvalidator
