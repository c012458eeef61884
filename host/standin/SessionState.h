// The state of one host session, shared by the stand-in's parts.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostState.h"
#include "vexhost/Session.h"

namespace vexhost {

class Product;

struct Session::State {
  SessionOptions Options;
  VexFrmLayout* Layout = nullptr;      // infrastructure; null without a layout
  VexDlgWindow* MainWindow = nullptr;  // infrastructure; null without a main window
  VexStateCommand* Running = nullptr;  // the running command, owned by the host
  int Ended = 0;
  bool Busy = false;

  // The product model.
  bool HasDocument = false;
  DocumentData Document;               // names, catalogue, factory data: the document as opened
  Product* Root = nullptr;             // infrastructure, one reference held by the document
  VexFrmEditor* Editor = nullptr;      // infrastructure; null: no current editor
  std::vector<std::string> ActiveNames;
  DocumentData View;                   // rebuilt on request from the products

  std::map<std::string, std::map<std::string, std::string>> ResourceCache;
};

namespace detail {
Session::State& CurrentState();  // throws std::logic_error when no session is open
bool HasSession();
// The engine.
void DestroyCommand(Session::State& state, VexStateCommand* command);
void RunDelayedDestructions(Session::State& state);
void Dispatch(Session::State& state, VexCommand* sender, VexNotification* notification);
// Resources
bool LookUpResource(const std::string& file, const std::string& key, std::string& text);
// The product model
void CloseDocument(Session::State& state);
}  // namespace detail

}  // namespace vexhost
