// Where the product model tells the change watches what happened. Each note costs nothing while
// no watch is open.
#pragma once

#include <string>
#include <vector>

#include "vexhost/Document.h"

namespace vexhost {
class Product;
}

namespace vexhost::detail {

void NoteDocumentOpened(const DocumentData& document);
void NoteProductCreated(const Product& product);
// Before the part number changes, so that the watch sees both.
void NotePartNumber(const Product& product, const std::string& after);
void NoteActivePath(const std::vector<std::string>& names);
void NoteEditorRemoved();

}  // namespace vexhost::detail
