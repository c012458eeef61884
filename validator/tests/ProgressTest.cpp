// What a validation tells while it runs: one line rewritten in place on a terminal, a line for each
// phase as it ends in a log; and the time left.
#include <gtest/gtest.h>

#include <sstream>

#include "validator/findings/Progress.h"

using namespace vexvalidator;

namespace {

std::vector<PhaseProgress> Phases(std::size_t paths, bool explored, std::size_t sweeps, std::size_t of) {
  return {{"exploration", paths, 40, explored, !explored, "paths", "40 paths, 12 states"},
          {"faults", sweeps, of, explored && sweeps == of, !explored, "sweeps", "300 sweeps of 9000 cases"},
          {"random", 0, 100, false, false, "sequences", "100 sequences"}};
}

}  // namespace

TEST(Progress, OnATerminalOneLineShowsEachPhaseAndTheTimeLeft) {
  std::ostringstream out;
  ProgressReport report(out, true);
  report.Update(Phases(40, true, 150, 300), 3.0);
  const std::string line = out.str();
  EXPECT_EQ(line.front(), '\r');
  EXPECT_NE(line.find("exploration 40/40;"), std::string::npos) << line;
  EXPECT_NE(line.find("faults 150/300;"), std::string::npos) << "its total is known" << line;
  EXPECT_NE(line.find("random 0/100;"), std::string::npos) << line;
  EXPECT_NE(line.find("4.0 s left"), std::string::npos) << "190 of 440 jobs in 3 s" << line;
  std::ostringstream early;
  ProgressReport(early, true).Update(Phases(20, false, 10, 100), 1.0);
  EXPECT_NE(early.str().find("exploration 20/40+; faults 10/100+;"), std::string::npos)
      << "more may come" << early.str();
  EXPECT_EQ(line.find('\n'), std::string::npos) << "rewritten in place";
  report.Finish(Phases(40, true, 300, 300), 6.0);
  EXPECT_EQ(out.str().substr(line.size()), "\r\033[K") << "the line is cleared at the end";
}

TEST(Progress, InALogEachPhaseIsOneLineWhenItEnds) {
  std::ostringstream out;
  ProgressReport report(out, false);
  report.Update(Phases(20, false, 10, 100), 1.0);
  EXPECT_EQ(out.str(), "") << "nothing has ended yet";
  report.Update(Phases(40, true, 120, 300), 2.0);
  report.Update(Phases(40, true, 200, 300), 2.5);
  EXPECT_EQ(out.str(), "  exploration done after 2.0 s: 40 paths, 12 states\n") << "told once";
  report.Finish(Phases(40, true, 300, 300), 12.0);
  EXPECT_EQ(out.str(),
            "  exploration done after 2.0 s: 40 paths, 12 states\n"
            "  faults done after 12 s: 300 sweeps of 9000 cases\n");
}

TEST(Progress, TheTimeLeftNeedsATenthOfTheWorkDone) {
  EXPECT_EQ(ProgressReport::TimeLeft(Phases(2, false, 0, 0), 1.0), "");
  std::vector<PhaseProgress> over = Phases(40, true, 300, 300);
  over[2].Done = 50;
  over[2].Total = 100;
  over[2].Over = true;
  EXPECT_EQ(ProgressReport::TimeLeft(over, 39.0), "5.0 s left") << "390 of 440 jobs in 39 s";
}

TEST(Progress, InALogALongPhaseStillTellsWhereItStandsAfterTwoSecondsAndThenEveryThirty) {
  std::ostringstream out;
  ProgressReport report(out, false);
  report.Update(Phases(20, false, 10, 100), 1.9);
  EXPECT_EQ(out.str(), "");
  report.Update(Phases(20, false, 10, 100), 2.1);
  EXPECT_EQ(out.str(),
            "  validating: exploration 20/40+; faults 10/100+; random 0/100; after 2.1 s, at least 15 s left\n");
  out.str("");
  report.Update(Phases(30, false, 20, 100), 31.0);
  EXPECT_EQ(out.str(), "") << "not again within thirty seconds";
  report.Update(Phases(40, false, 30, 100), 32.2);
  EXPECT_NE(out.str().find("exploration 40/40+"), std::string::npos) << out.str();
}
