#include "Progress.h"

#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace vexvalidator {

namespace {

std::string Seconds(double seconds) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(seconds < 10 ? 1 : 0) << seconds << " s";
  return text.str();
}

}  // namespace

std::string ProgressReport::TimeLeft(const std::vector<PhaseProgress>& phases, double seconds) {
  std::size_t done = 0;
  std::size_t total = 0;
  bool open = false;
  for (const auto& phase : phases) {
    done += phase.Done;
    total += phase.Total;
    open = open || phase.Growing;
  }
  // Jobs are still being found while a phase is open: a share below a tenth says too little.
  if (total == 0 || done * 10 < total) return {};
  const double left = seconds * static_cast<double>(total - done) / static_cast<double>(done);
  return (open ? "at least " : "") + Seconds(std::ceil(left)) + " left";
}

std::string ProgressReport::Standing(const std::vector<PhaseProgress>& phases, double seconds) const {
  std::string line = "  validating:";
  for (const auto& phase : phases) {
    line += " " + phase.Name + " " + std::to_string(phase.Done) + "/" + std::to_string(phase.Total) +
            (phase.Growing ? "+" : "") + ";";
  }
  const std::string left = TimeLeft(phases, seconds);
  if (!_Terminal) return line + " after " + Seconds(seconds) + (left.empty() ? "" : ", " + left);
  return line + (left.empty() ? " " + Seconds(seconds) : " " + left);
}

void ProgressReport::Update(const std::vector<PhaseProgress>& phases, double seconds) {
  if (_Terminal) {
    _Out << "\r" << Standing(phases, seconds) << "\033[K" << std::flush;
    return;
  }
  TellEnded(phases, seconds);
  if (seconds < _NextLine) return;
  _Out << Standing(phases, seconds) << "\n" << std::flush;
  _NextLine = seconds + LineEvery;
}

void ProgressReport::Finish(const std::vector<PhaseProgress>& phases, double seconds) {
  if (_Terminal) {
    _Out << "\r\033[K" << std::flush;
    return;
  }
  TellEnded(phases, seconds);
}

void ProgressReport::TellEnded(const std::vector<PhaseProgress>& phases, double seconds) {
  for (const auto& phase : phases) {
    if (!phase.Over || !_Told.insert(phase.Name).second) continue;
    _Out << "  " << phase.Name << " done after " << Seconds(seconds) << ": " << phase.Summary << "\n" << std::flush;
    _NextLine = seconds + LineEvery;
  }
}

}  // namespace vexvalidator
