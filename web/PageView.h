// What the page shows, as JSON: the open dialogs drawn from the shared layout model, each box
// with the action a click or a typed text makes there; the product tree marked against the
// document as it was opened; the latest journal entries.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "drive/Layout.h"
#include "vexhost/Document.h"
#include "vexhost/Journal.h"
#include "vexhost/Snapshot.h"

namespace vexweb {

// The boxes of the picture. A box the page can act on carries "act": the script verb it makes
// ("ok", "cancel", "close", "ack", "browse", "class", "partnumber"). `windows` are the snapshots
// the picture was laid out from.
nlohmann::json PictureJson(const vexdrive::Picture& picture, const std::vector<vexhost::WidgetView>& windows);

// The tree: each product with its path, part number, interim class, whether it is active,
// "new" when the opened document did not hold it, and "was" when its part number changed.
nlohmann::json TreeJson(const vexhost::DocumentData& now, const vexhost::DocumentData& opened);

// The last `count` entries, each with its number in the whole journal, leaving out the host's
// GetResourceFilename calls: it makes them whenever a dialog is looked at, so every redraw of the
// page would bury the module's own work under them.
nlohmann::json JournalJson(const vexhost::Journal& journal, std::size_t count);

}  // namespace vexweb
