#include "BenchSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "vex/StateCommand.h"

namespace vexbench {

namespace {

// The classes chosen in a lifecycle, in order; the last one is created.
constexpr const char* Choices[] = {"Block", "Panel", "Assembly"};
constexpr const char* CreatedProduct = "Assembly 1";
constexpr const char* TypedPartNumber = "BA-201";

vexhost::FactoryData Blocks() {
  return vexhost::FactoryData{true, true, "", "Block", "InterimProduct", true, false, {}, true};
}

vexhost::ProductData Leaf(std::string name) {
  vexhost::ProductData product;
  product.Name = std::move(name);
  product.PartNumber = "P";
  return product;
}

}  // namespace

const char* ModulePath() { return VEX_MODULE_PATH; }

void LoadModule() {
  RegisterBaseline();
  vexhost::Session::LoadModule(ModulePath());
}

vexhost::DocumentData ShipDocument() {
  using vexhost::FactoryData;
  using vexhost::ProductData;
  FactoryData refusing{true, false, "Block B is released", "Block", "InterimProduct", true, false, {}, true};
  vexhost::DocumentData document;
  document.Name = "Ship";
  document.Root = ProductData{
      "Hull",
      true,
      "H-100",
      "",
      Blocks(),
      {ProductData{
           "Block A", true, "BA-200", "", Blocks(), {ProductData{"Sub-block A1", true, "SA-210", "", Blocks(), {}}}},
       ProductData{"Block B", true, "BB-300", "", refusing, {}}}};
  document.ClassCatalogue = {"Block", "SubBlock", "Panel", "Assembly"};
  document.ActivePath = std::vector<std::string>{"Hull", "Block A"};
  return document;
}

vexhost::DocumentData SizedDocument(std::size_t products, std::size_t depth) {
  if (depth < 1 || depth > products) throw std::invalid_argument("a path of that depth does not fit");
  vexhost::DocumentData document;
  document.Name = "Sized";
  document.ClassCatalogue = {"Block", "SubBlock", "Panel", "Assembly"};
  std::vector<std::string> active{"Root"};
  document.Root = vexhost::ProductData{"Root", true, "R-1", "", Blocks(), {}};

  std::size_t remaining = products - depth;
  // The zones first, so that the chain's first link is the root's last child.
  constexpr std::size_t ZoneSize = 1000;
  for (std::size_t zone = 0; remaining > 0; ++zone) {
    vexhost::ProductData zoneProduct = Leaf("Z" + std::to_string(zone));
    --remaining;
    const std::size_t leaves = remaining < ZoneSize - 1 ? remaining : ZoneSize - 1;
    zoneProduct.Children.reserve(leaves);
    for (std::size_t i = 0; i < leaves; ++i) zoneProduct.Children.push_back(Leaf("P" + std::to_string(i)));
    remaining -= leaves;
    document.Root.Children.push_back(std::move(zoneProduct));
  }

  // The active path: Root > A1 > A2 > ... built from its deepest link up.
  if (depth > 1) {
    vexhost::ProductData link{"A" + std::to_string(depth - 1), true, "A", "", Blocks(), {}};
    for (std::size_t level = depth - 2; level >= 1; --level) {
      vexhost::ProductData parent{"A" + std::to_string(level), true, "A", "", Blocks(), {}};
      parent.Children.push_back(std::move(link));
      link = std::move(parent);
    }
    document.Root.Children.push_back(std::move(link));
    for (std::size_t level = 1; level < depth; ++level) active.push_back("A" + std::to_string(level));
  }
  document.ActivePath = active;
  return document;
}

Host::Host() {
  vexhost::SessionOptions options;
  options.ResourceDirs = {VEX_RESOURCE_DIR};
  _Session = std::make_unique<vexhost::Session>(std::move(options));
  _Hands = std::make_unique<vexhost::Hands>(*_Session);
}

Host::~Host() {
  _Hands.reset();
  _Session.reset();
}

void Host::Open(const std::string& key, const vexhost::DocumentData& document) {
  if (key == _OpenKey && _Session->HasDocument()) return;
  _OpenKey.clear();
  _Session->OpenDocument(document);
  _OpenKey = key;
}

void Host::Reopen(const vexhost::DocumentData& document) {
  _OpenKey.clear();
  _Session->OpenDocument(document);
}

void Host::Start(const std::string& command) {
  if (_Session->StartCommand(command) == nullptr) throw std::runtime_error(command + " did not start");
}

void Host::Cancel() { _Session->CancelRunningCommand(); }

void Host::Lifecycle(const std::string& command) {
  Start(command);
  for (const char* choice : Choices) _Hands->ChooseClass(Panel, ClassFrame, choice);
  _Hands->Type(Panel, PartNumberEditor, TypedPartNumber);
  _Hands->PressOK(Panel);
  if (_Session->RunningCommand() != nullptr) throw std::runtime_error(command + " did not end at OK");
}

std::size_t Host::LiveObjects() const { return _Session->Accounting().Live.size(); }

std::string Host::AccountingText() const { return _Session->Accounting().Text(); }

void RunLifecycles(Host& host, const std::string& command, const vexhost::DocumentData& ship, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    // Each lifecycle adds a product to the document: a fresh ship keeps every lifecycle alike.
    host.Reopen(ship);
    host.Lifecycle(command);
    host.Session().GetJournal().Clear();
  }
}

std::string CheckLifecycleOutcome(Host& host, const std::string& command) {
  host.Reopen(ShipDocument());
  host.Lifecycle(command);
  host.Session().GetJournal().Clear();
  const vexhost::ProductData& hull = host.Session().DocumentView().Root;
  const vexhost::ProductData& blockA = hull.Children.at(0);
  if (blockA.PartNumber != TypedPartNumber) return command + " left Block A numbered '" + blockA.PartNumber + "'";
  if (blockA.Children.size() != 2 || blockA.Children[1].Name != CreatedProduct ||
      blockA.Children[1].InterimClass != "Assembly") {
    return command + " did not create " + CreatedProduct + " under Block A";
  }
  if (host.LiveObjects() != 0) return command + " left host objects alive:\n" + host.AccountingText();
  return {};
}

namespace {
// Reads a small /proc file into `text` without allocating; false when it cannot be read.
bool ReadProcFile(const char* path, char* text, std::size_t size) {
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  std::size_t length = 0;
  while (length + 1 < size) {
    const ssize_t got = read(file, text + length, size - 1 - length);
    if (got <= 0) break;
    length += static_cast<std::size_t>(got);
  }
  close(file);
  text[length] = '\0';
  return length > 0;
}
}  // namespace

long ResidentKiB() {
  // smaps_rollup counts the pages present in the page tables. The kernel's running counter
  // (statm, VmRSS) is kept per CPU and read approximately: its first reading in this process
  // comes out 128 KiB low, which would show as growth between two marks.
  char text[4096];
  if (ReadProcFile("/proc/self/smaps_rollup", text, sizeof text)) {
    if (const char* rss = std::strstr(text, "\nRss:")) return std::strtol(rss + 5, nullptr, 10);
  }
  long pages = 0;
  long resident = 0;
  if (!ReadProcFile("/proc/self/statm", text, sizeof text) || std::sscanf(text, "%ld %ld", &pages, &resident) != 2) {
    return 0;
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace vexbench
