// The canonical record of one case, taken as it runs in a worker: the calls across the boundary
// during each script line (operations in order, receivers by name, arguments, output arguments as
// preset and as returned, statuses), what a person sees when the steps are done (whether a command
// runs, the shown dialogs drawn, the hidden ones named, the products as they changed), what became
// of the host errors, the findings, and the calls as the host ends the run. A fault case keeps
// only its outcome, and sees the shown dialogs by name and state, undrawn: the sweeps run a
// hundred thousand of them; its calls are kept as a digest. Nothing in a record depends on addresses, timing, the seed
// or the worker that ran it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Case.h"
#include "Runner.h"
#include "vexhost/Document.h"
#include "vexhost/ProductWatch.h"

namespace vexhost {
class Session;
}
namespace vexdrive {
class Desk;
}

namespace vexvalidator {

struct CaseRecord {
  std::vector<std::vector<std::string>> Lines;  // the calls during each script line run
  std::string Outcome;                          // what the case ends with, one item a line
  std::vector<std::string> Ending;              // the calls as the host ends the run
  // A fault case's calls, all of them as a digest: too many to keep, but a change among them shows.
  std::uint64_t Calls = 0;
  bool operator==(const CaseRecord&) const = default;
};

class CaseRecorder : public CaseObserver {
 public:
  // `calls`: whether to keep the calls (a path's record) or only the outcome (a fault case's).
  // `resources`: whether what is seen tells the resource files the running command and the open
  // windows name, which a path that ends with the start of a command tells for every path.
  CaseRecorder(const vexhost::DocumentData& opened, bool calls, bool resources = false)
      : _Opened(opened), _Calls(calls), _Resources(resources) {}

  // The calls of each line are those between its beginning and the next's, or the steps' end.
  void LineBegins(vexhost::Session& session, int index) override;
  // What a person sees.
  void StepsDone(vexhost::Session& session, vexdrive::Desk& desk) override;
  void EndBegins(vexhost::Session& session) override;
  void Ended(vexhost::Session& session, const std::vector<Finding>& findings, bool stopped) override;
  void Abandoned(const std::vector<Finding>& findings) override;

  const CaseRecord& Record() const { return _Record; }

 private:
  std::vector<std::string> CallsSince(vexhost::Session& session, std::size_t from) const;

  const vexhost::DocumentData& _Opened;
  bool _Calls;
  bool _Resources;
  CaseRecord _Record;
  std::size_t _LineStart = 0;
  bool _InLine = false;
  std::size_t _StepsEnd = 0;  // the calls from here to _EndStart were made by looking
  std::size_t _EndStart = 0;
  std::string _Sight;
  std::unique_ptr<vexhost::ChangeWatch> _Watch;  // from the first line to the end of the steps
};

// A boundary call as the record writes it: "  Op(on; args) -> result [outputs]" for a call of the
// module, "> ..." for a call of the host into the module; an allocation without its size, which
// is the layout of the module's own classes and no behaviour. The record writes a call made
// several times in a row once, with " (N times)".
std::string CanonicalCall(const std::string& op, const std::string& on, std::vector<std::string> args, bool intoModule,
                          const std::string& result, const std::vector<std::string>& outputs);

}  // namespace vexvalidator
