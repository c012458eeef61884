#include "RandomSequences.h"

namespace vexvalidator {

namespace {

std::string Label(const RandomJob& work) { return "random " + std::to_string(work.Index); }

}  // namespace

RandomSequences::RandomSequences(Settings settings, const vexhost::DocumentData& document, FindingBook& book,
                                 SubmitJob submit)
    : _Settings(settings), _Document(document), _Book(book), _Submit(std::move(submit)) {}

void RandomSequences::Plan(const std::string& command) {
  for (int index = 0; index < _Settings.Count; ++index) {
    RandomJob work{_Settings.Seed, index, _Settings.Length, ProductPaths(_Document), {}, 0};
    work.Test = _Book.AddTest(command + ".random", Label(work));
    _Submit({command, {}, std::move(work)}, RandomUse);
  }
}

void RandomSequences::OnResult(const Job& job, const RandomJob& work, const CaseResult& result) {
  if (result.N == 0) {
    // The sequence as chosen ran without faults, watched step by step.
    CommandCoverage& coverage = _Book.Coverage(job.Command);
    coverage.Add(result.Coverage);
    std::vector<std::string> accepted = result.Lines;
    if (result.Stopped && !accepted.empty()) accepted.pop_back();
    coverage.ActedOn(accepted);
  }
  Booked({Phase::Random, job.Command, Label(work), result.Lines, result.N}, result.N, result.Findings, work.Test, -1,
         result.Seconds);
}

void RandomSequences::OnDeath(const Job& job, const RandomJob& work, const Pool::Death& death) {
  const std::vector<std::string>& lines = death.Streamed;
  Booked({Phase::Random, job.Command, Label(work), lines, death.N}, death.N, {DeathFinding(death, lines)}, work.Test,
         death.Line);
}

// Case 0 is the sequence as chosen, case 1 the same lines under a fault: a sequence counts once.
void RandomSequences::Booked(const Case& where, int n, const std::vector<Finding>& findings, std::size_t test, int step,
                             double seconds) {
  if (n == 0) ++_Book.Stats(where.Command).RandomSequences;
  _Book.AddTestCases(test, 1);
  _Book.AddPhase(where.Command, Phase::Random, 1, seconds);
  _Book.Record(where, findings, test, step, seconds);
}

}  // namespace vexvalidator
