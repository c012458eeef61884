// The behaviour a validation recorded for approval: for every explored path (lifecycles
// included) its canonical record, and for every fault case the sweeps ran on it the outcome it
// reached. Written as plain text, three files for each command: its paths (paths.txt), their fault
// points (faults.txt), each path a section of its own in the order of their steps, and the legend
// of the outcomes those reached (outcomes.txt). Random sequences depend on the seed and are left
// out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "validator/case/CaseRecorder.h"
#include "validator/exploration/Planning.h"
#include "validator/processes/Messages.h"
#include "validator/processes/Pool.h"

namespace vexvalidator {

// One path's part of the approved behaviour, as written and as compared.
struct PathSection {
  Path Where;
  std::string File;  // the file it stands in, relative to the approved directory
  std::string Text;  // the section, its heading included
};

class ApprovedBook {
 public:
  // What the workers tell: records of explored paths and outcomes of fault cases.
  void OnRecord(const Job& job, const RecordMessage& message);
  // A worker died during a case: that is the case's outcome.
  void OnDeath(const Job& job, const Pool::Death& death, const std::vector<std::string>& lines);

  // The sections of every path recorded, by file, each file's sections in the order of their
  // steps; then each command's legend of fault outcomes, whole (its Where without steps).
  std::vector<PathSection> Sections() const;
  std::size_t PathCount() const { return _Paths.size(); }

 private:
  struct PathRecord {
    bool Recorded = false;  // its own run told its record (or died)
    CaseRecord Record;
    struct Reached {
      int Outcome = 0;          // its number
      std::uint64_t Calls = 0;  // the digest of the calls the case made
    };
    std::map<std::size_t, std::map<int, Reached>> Faults;  // by family, then fault point
  };

  int OutcomeNumber(const std::string& outcome);
  std::string PathText(const Path& path, const PathRecord& record) const;
  std::string FaultText(const Path& path, const PathRecord& record, const std::vector<std::string>& labels) const;

  std::map<Path, PathRecord> _Paths;
  // Fault outcomes are few and met by thousands of cases: each is kept once.
  std::vector<std::string> _Outcomes;
  std::map<std::string, int> _Numbers;
};

// The heading of a path's section: "== path" and its steps, one a line.
std::string SectionHeading(const Path& path);
// A file name made of a command's name: letters, digits, '.', '_' and '-' kept, anything else
// (and a leading '.') written as '_', and a name so changed or cut (past 64 characters) given a
// digest of the whole, so that names stay apart.
std::string FileNameOf(const std::string& command);

}  // namespace vexvalidator
