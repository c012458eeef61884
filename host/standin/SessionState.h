// The state of one host session, shared by the stand-in's parts.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "HostState.h"
#include "States.h"
#include "vexhost/Session.h"

namespace vexhost {

class Product;

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
Session::State& CurrentState();  // throws std::logic_error when no session is open
bool HasSession();
// The engine.
void DestroyCommand(Session::State& state, VexStateCommand* command);
void RunDelayedDestructions(Session::State& state);
void Dispatch(Session::State& state, VexCommand* sender, VexNotification* notification);
// Resources
bool LookUpResource(const std::string& file, const std::string& key, std::string& text);
// Reads every resource file of the folders not checked yet in this process and reports each bad
// one, once, with its place.
void CheckResourceFolders(const std::vector<std::string>& dirs);
// The product model
void CloseDocument(Session::State& state);
}  // namespace detail

}  // namespace vexhost
