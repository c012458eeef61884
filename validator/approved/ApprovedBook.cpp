#include "ApprovedBook.h"

#include <cstdint>
#include <cstdio>

#include "ApprovedCompaction.h"
#include "FaultOutcomes.h"
#include "validator/case/Faults.h"
#include "validator/case/Overloaded.h"
#include "validator/case/UnifiedDiff.h"

namespace vexvalidator {

namespace {

constexpr const char* PathsFile = "paths.txt";
constexpr const char* FaultsFile = "faults.txt";
constexpr const char* OutcomesFile = "outcomes.txt";
constexpr const char* NoCall = "  (no call)";

void AddLines(std::string& text, const std::vector<std::string>& lines, const char* whenEmpty) {
  if (lines.empty() && whenEmpty != nullptr) text += std::string(whenEmpty) + "\n";
  for (const auto& line : lines) text += line + "\n";
}

}  // namespace

std::string SectionHeading(const Path& path) {
  std::string heading = "== path\n";
  for (const auto& step : path.Steps) heading += step + "\n";
  return heading;
}

std::string FileNameOf(const std::string& command) {
  std::string name;
  bool changed = command.empty();
  for (char c : command) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                      c == '-' || (c == '.' && !name.empty());
    name += kept ? c : '_';
    changed = changed || !kept;
  }
  constexpr std::size_t Longest = 64;  // far below what a file system allows
  if (!changed && name.size() <= Longest) return name;
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (unsigned char c : command) hash = (hash ^ c) * 1099511628211ULL;
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(hash));
  return name.substr(0, Longest) + "-" + std::string(digest + 8, 8);
}

void ApprovedBook::OnRecord(const Job& job, const RecordMessage& message) {
  PathRecord& record = _Paths[Path{job.Command, job.Steps}];
  std::visit(Overloaded{
                 [&](const ExplorationJob&) {
                   record.Recorded = true;
                   record.Record = message.Record;
                 },
                 [&](const SweepJob& work) {
                   auto& points = record.Faults[static_cast<std::size_t>(work.Family)];
                   const int outcome = OutcomeNumber(message.Record.Outcome);
                   for (std::size_t i = 0; i < message.Cases.size(); ++i) {
                     points[message.Cases[i]] = {outcome, i < message.Calls.size() ? message.Calls[i] : 0};
                   }
                 },
                 [&](const RandomJob&) {},
             },
             job.Work);
}

void ApprovedBook::OnDeath(const Job& job, const Pool::Death& death, const std::vector<std::string>& lines) {
  const Finding finding = DeathFinding(death, lines);
  const std::string outcome = "finding: " + finding.Kind + ": " + finding.Message;
  std::visit(Overloaded{
                 [&](const ExplorationJob&) {
                   PathRecord& record = _Paths[Path{job.Command, job.Steps}];
                   record.Recorded = true;
                   record.Record = CaseRecord{{}, outcome, {}};
                 },
                 [&](const SweepJob& work) {
                   _Paths[Path{job.Command, job.Steps}].Faults[static_cast<std::size_t>(work.Family)][death.N] = {
                       OutcomeNumber(outcome), 0};
                 },
                 [&](const RandomJob&) {},
             },
             job.Work);
}

int ApprovedBook::OutcomeNumber(const std::string& outcome) {
  const auto [found, added] = _Numbers.emplace(outcome, static_cast<int>(_Outcomes.size()));
  if (added) _Outcomes.push_back(outcome);
  return found->second;
}

std::string ApprovedBook::PathText(const Path& path, const PathRecord& record) const {
  std::string text = SectionHeading(path);
  // The lines a shorter path explored are in its own section: this one adds its last line.
  Path shorter = path;
  shorter.Steps.pop_back();
  const auto parent = _Paths.find(shorter);
  const bool fromShorter = !shorter.Steps.empty() && parent != _Paths.end() && parent->second.Recorded;
  for (std::size_t i = fromShorter ? shorter.Steps.size() : 0; i < record.Record.Lines.size(); ++i) {
    text += "-- " + (i < path.Steps.size() ? path.Steps[i] : std::string("(a line)")) + "\n";
    AddLines(text, record.Record.Lines[i], NoCall);
  }
  text += "-- the end\n";
  AddLines(text, SplitLines(record.Record.Outcome), nullptr);
  if (record.Record.Lines.empty()) return text;
  // Most paths end as their shorter path does: the calls stand once, with the first.
  if (fromShorter && !record.Record.Ending.empty() && record.Record.Ending == parent->second.Record.Ending) {
    return text + "-- the host ends the run as for the shorter path\n";
  }
  text += "-- the host ends the run\n";
  AddLines(text, record.Record.Ending, NoCall);
  return text;
}

std::string ApprovedBook::FaultText(const Path& path, const PathRecord& record,
                                    const std::vector<std::string>& labels) const {
  const auto& families = FaultFamilies();
  std::vector<std::pair<std::string, std::string>> lines;  // each family's name and what it reached
  for (const auto& [family, points] : record.Faults) {
    std::map<int, std::string> labelled;
    std::vector<std::uint64_t> calls;
    for (const auto& [n, reached] : points) {
      labelled[n] = labels[static_cast<std::size_t>(reached.Outcome)];
      calls.push_back(static_cast<std::uint64_t>(n));
      calls.push_back(reached.Calls);
    }
    lines.emplace_back(family < families.size() ? families[family].Name() : "family " + std::to_string(family),
                       PointRuns(labelled) + CallsMark + CallsDigest(calls));
  }
  return SectionHeading(path) + FaultPointsHeading + "\n" + FamilyLines(lines);
}

std::vector<PathSection> ApprovedBook::Sections() const {
  const std::vector<std::string> labels = OutcomeLabels(_Outcomes);
  std::vector<PathSection> sections;
  for (const auto& [path, record] : _Paths) {
    if (record.Recorded) sections.push_back({path, FileNameOf(path.Command) + "/" + PathsFile, PathText(path, record)});
  }
  std::map<std::string, std::map<std::string, std::string>> legends;  // by command, the outcomes its paths reached
  for (const auto& [path, record] : _Paths) {
    if (record.Faults.empty()) continue;
    sections.push_back({path, FileNameOf(path.Command) + "/" + FaultsFile, FaultText(path, record, labels)});
    for (const auto& [family, points] : record.Faults) {
      for (const auto& [n, reached] : points) {
        const auto outcome = static_cast<std::size_t>(reached.Outcome);
        legends[path.Command].emplace(labels[outcome], _Outcomes[outcome]);
      }
    }
  }
  for (const auto& [command, legend] : legends) {
    sections.push_back({Path{command, {}}, FileNameOf(command) + "/" + OutcomesFile, LegendText(legend)});
  }
  return sections;
}

}  // namespace vexvalidator
