// What the benchmarks and the memory check share: one host session with the module loaded,
// the documents they open, the user's lifecycle of the command, the host-only baseline command,
// and readings of the process's resident memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "vexhost/Document.h"
#include "vexhost/Hands.h"
#include "vexhost/Session.h"

namespace vexbench {

inline constexpr const char* ModuleCommand = "VexStrCreateInterimProdCmd";
// The host-only command: the same dialog tree, agents, transitions and product, made by a
// command compiled into the benchmark itself (see BaselineCommand.cpp).
inline constexpr const char* BaselineCommand = "BaselineInterimProdCmd";
inline constexpr const char* Panel = "InterimProductPanel";
inline constexpr const char* ClassFrame = "frmClass";
inline constexpr const char* PartNumberEditor = "editorpartnumber";

// Enters the baseline command into the host dictionary (once).
void RegisterBaseline();
// Loads the module (and registers the baseline); throws when the module cannot be loaded.
void LoadModule();
const char* ModulePath();

// A small ship: Hull > Block A > Sub-block A1, Hull > Block B; Block A is active.
vexhost::DocumentData ShipDocument();
// A document of `products` products in all whose active path holds `depth` products, root
// included (1 <= depth <= products). The products past the active path hang under the root in
// zones of a thousand, so that no product has a long list of children.
vexhost::DocumentData SizedDocument(std::size_t products, std::size_t depth);

// One host session, its user's hands, and the document last opened in it.
class Host {
 public:
  Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  ~Host();

  vexhost::Session& Session() { return *_Session; }
  vexhost::Hands& Hands() { return *_Hands; }

  // Opens `document` and remembers it under `key`: opening the same key again reopens nothing.
  void Open(const std::string& key, const vexhost::DocumentData& document);
  bool IsOpen(const std::string& key) const { return !key.empty() && key == _OpenKey; }
  void Reopen(const vexhost::DocumentData& document);  // opens it whatever is open

  // The user's whole lifecycle of `command` on the open document: started through the
  // dictionary (create, BuildGraph, Activate), three class choices, a part number typed, OK; the
  // command ends, is destroyed and the delayed destructions run. Throws std::runtime_error when
  // the command does not start or does not end.
  void Lifecycle(const std::string& command);
  // Starts `command` (create, BuildGraph, Activate); throws when it does not keep running.
  void Start(const std::string& command);
  void Cancel();

  // Host objects alive that are not the session's own (documents, layout): for a command that
  // has ended, none.
  std::size_t LiveObjects() const;
  std::string AccountingText() const;

 private:
  std::unique_ptr<vexhost::Session> _Session;
  std::unique_ptr<vexhost::Hands> _Hands;
  std::string _OpenKey;
};

// The lifecycle on a freshly opened ship, `count` times, the journal cleared after each so that
// it does not grow across lifecycles.
void RunLifecycles(Host& host, const std::string& command, const vexhost::DocumentData& ship, std::size_t count);

// Checks that one lifecycle of `command` on the ship made "Assembly 1" under Block A and gave
// Block A the typed part number; returns a problem, or "" when it did.
std::string CheckLifecycleOutcome(Host& host, const std::string& command);

// Resident memory of the process, in KiB: the pages present, from /proc/self/smaps_rollup, read
// without allocating so that a reading does not move the heap it measures. Read as it stands:
// making the allocator return its free memory first (malloc_trim) gives a lower figure that
// the next lifecycle takes back at once.
long ResidentKiB();

}  // namespace vexbench
