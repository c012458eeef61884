// Where the children of a container stand, from the container's attachments: rows come from the
// horizontal attachments and columns from the vertical ones.
#pragma once

#include <vector>

#include "vexhost/Snapshot.h"

namespace vexdrive {

// A child's place in its container's grid, as indexes from 0.
struct Slot {
  int Row = 0;
  int Column = 0;
  int LastColumn = 0;  // a widget attached at several column positions spans up to the last
};

// Widgets attached at one position share a row (or a column), and the positions order them. A
// child that no attachment puts in a row gets a row of its own after the others; one that none
// puts in a column stands in the first. Without any attachment the children stand in one row, in
// their order. A null child (the text of a message box) is placed as an unattached one.
std::vector<Slot> Arrange(const vexhost::WidgetView& container,
                          const std::vector<const vexhost::WidgetView*>& children);

}  // namespace vexdrive
