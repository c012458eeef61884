// session: a session's own state (its options, journal, fault plan, the records of its objects,
// caught errors, over-releases and violations), which session is open, and where a new object is
// recorded. A session is opened and closed at the top (driver/Session.cpp).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "records/Objects.h"
#include "vexhost/Document.h"
#include "vexhost/FaultPlan.h"
#include "vexhost/Journal.h"
#include "vexhost/Session.h"

namespace vexhost {

class Product;
namespace detail {
class Layout;
class Editor;
}  // namespace detail

struct Session::State {
  explicit State(SessionOptions options) : Options(std::move(options)), TheJournal(Options.JournalWindow) {}

  SessionOptions Options;
  Journal TheJournal;
  FaultPlan Faults;
  detail::Registry Objects;
  std::vector<CaughtError> Errors;
  std::vector<VexCommand*> Delayed;  // objects awaiting delayed destruction, in request order
  std::vector<std::string> OverReleases;
  std::vector<std::string> Violations;
  std::set<std::string> Recorded;    // the over-releases and violations already listed

  detail::Layout* Layout = nullptr;    // infrastructure; null without a layout
  VexDlgWindow* MainWindow = nullptr;  // infrastructure; null without a main window
  std::vector<VexDialog*> TopDialogs;  // alive, without a parent or children of the main window
  VexStateCommand* Running = nullptr;  // the running command, owned by the host
  int Ended = 0;
  bool Busy = false;

  // The product model.
  bool HasDocument = false;
  DocumentData Document;               // names, catalogue, factory data: the document as opened
  Product* Root = nullptr;             // infrastructure, one reference held by the document
  detail::Editor* Editor = nullptr;    // infrastructure; null: no current editor
  std::vector<std::string> ActiveNames;
  DocumentData View;                   // rebuilt on request from the products

  std::map<std::string, std::map<std::string, std::string>> ResourceCache;
};

Session::State& StateOf(Session& session);

namespace detail {

// What of the sessions belongs to the process: the open session, and the records of objects made
// outside a session or that outlived theirs.
struct Sessions {
  Session* Open = nullptr;
  Registry Outside;
  int InfrastructureDepth = 0;  // > 0: new objects belong to the session
};
Sessions& ProcessSessions();

// The open session's state, or null.
Session::State* OpenSession();
Session::State& CurrentState();  // throws std::logic_error when no session is open
bool HasSession();
// The registry a new object goes to.
Registry& CurrentRegistry();

// New objects made within it belong to the session itself (its infrastructure: the layout, the
// editor, the products), which checks that their references balance.
struct InfrastructureScope {
  InfrastructureScope() { ++ProcessSessions().InfrastructureDepth; }
  ~InfrastructureScope() { --ProcessSessions().InfrastructureDepth; }
  InfrastructureScope(const InfrastructureScope&) = delete;
  InfrastructureScope& operator=(const InfrastructureScope&) = delete;
};

}  // namespace detail

}  // namespace vexhost
