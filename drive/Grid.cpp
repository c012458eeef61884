#include "Grid.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace vexdrive {

using vexhost::WidgetView;

namespace {

// The positions a container's attachments give one child.
struct Keys {
  std::optional<int> Row;
  std::optional<int> First;
  std::optional<int> Last;
};

void KeepSmallest(std::optional<int>& key, int position) { key = std::min(key.value_or(position), position); }
void KeepLargest(std::optional<int>& key, int position) { key = std::max(key.value_or(position), position); }

std::vector<Keys> AttachmentKeys(const WidgetView& container, const std::vector<const WidgetView*>& children) {
  std::vector<Keys> keys(children.size());
  for (const auto& attachment : container.Attachments) {
    const bool row = attachment.Operation == "SetHorizontalAttachment";
    for (const auto& name : attachment.Widgets) {
      for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] == nullptr || children[i]->Name != name) continue;
        if (row) {
          KeepSmallest(keys[i].Row, attachment.Position);
        } else {
          KeepSmallest(keys[i].First, attachment.Position);
          KeepLargest(keys[i].Last, attachment.Position);
        }
      }
    }
  }
  return keys;
}

// The rank of each distinct key, in order of the keys.
std::map<int, int> Ranks(const std::set<int>& keys) {
  std::map<int, int> ranks;
  for (int key : keys) ranks.emplace(key, static_cast<int>(ranks.size()));
  return ranks;
}

std::vector<Slot> OneRow(std::size_t count) {
  std::vector<Slot> slots;
  for (std::size_t i = 0; i < count; ++i) {
    const int column = static_cast<int>(i);
    slots.push_back(Slot{0, column, column});
  }
  return slots;
}

}  // namespace

std::vector<Slot> Arrange(const WidgetView& container, const std::vector<const WidgetView*>& children) {
  if (container.Attachments.empty()) return OneRow(children.size());
  const std::vector<Keys> keys = AttachmentKeys(container, children);
  std::set<int> rowKeys;
  std::set<int> columnKeys;
  for (const auto& key : keys) {
    if (key.Row) rowKeys.insert(*key.Row);
    columnKeys.insert(key.First.value_or(0));
  }
  const std::map<int, int> rows = Ranks(rowKeys);
  const std::map<int, int> columns = Ranks(columnKeys);
  int nextFreeRow = static_cast<int>(rows.size());
  std::vector<Slot> slots(children.size());
  for (std::size_t i = 0; i < children.size(); ++i) {
    const int first = keys[i].First.value_or(0);
    const int last = keys[i].Last.value_or(first);
    Slot& slot = slots[i];
    slot.Row = keys[i].Row ? rows.at(*keys[i].Row) : nextFreeRow++;
    slot.Column = columns.at(first);
    slot.LastColumn = slot.Column;
    for (const auto& [key, rank] : columns) {
      if (key <= last) slot.LastColumn = std::max(slot.LastColumn, rank);
    }
  }
  return slots;
}

}  // namespace vexdrive
