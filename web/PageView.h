// What the page shows, as JSON: the open dialogs drawn from the shared layout model, each box
// with the action a click or a typed text makes there; the product tree marked against the
// document as it was opened; the latest journal entries; the accounting.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "drive/Layout.h"
#include "vexhost/Accounting.h"
#include "vexhost/Document.h"
#include "vexhost/Journal.h"
#include "vexhost/Snapshot.h"

namespace vexweb {

// The boxes of the picture, for any module's dialogs. Each box carries its window's name, the
// sensitivity a person meets (greyed also when a window or frame around it is), and:
//   "act"    for what a person can use: {"verb", "target"} of the generic script verb a click or
//            a typed text makes there (press DIALOG/BUTTON, type DIALOG/EDITOR, choose and browse
//            DIALOG/FRAME for a class frame's editor and browser button, close DIALOG for a
//            dialog's close box, acknowledge DIALOG for a message box's OK);
//   "label"  for editors, combos and buttons: the name assistive technology reads, from what a
//            person sees around it (its own text, the label before it, its frame, its window);
//   "escape" for windows: what Escape does there (the dialog's Cancel, the message box's OK).
// A widget whose name no script word can hold gets no act. `windows` are the snapshots the
// picture was laid out from.
nlohmann::json PictureJson(const vexdrive::Picture& picture, const std::vector<vexhost::WidgetView>& windows);

// The tree: each product with its path, part number, interim class, whether it is active,
// "new" when the opened document did not hold it, and "was" when its part number changed.
nlohmann::json TreeJson(const vexhost::DocumentData& now, const vexhost::DocumentData& opened);

// The last `count` entries, each with its number in the whole journal, leaving out the host's
// GetResourceFilename calls: it makes them whenever a dialog is looked at, so every redraw of the
// page would bury the module's own work under them. An entry the host answered with a failing
// status is marked "failed"; "failures" holds the latest few of those among all entries kept, so
// that the page can say when an action was refused by the host without a word from the module.
nlohmann::json JournalJson(const vexhost::Journal& journal, std::size_t count);

// The report with "problem": whether it shows something wrong now. While a command runs, its
// objects are alive and the references it holds unbalanced by design; over-releases and calls on
// dead objects are wrong at any time.
nlohmann::json AccountingJson(const vexhost::AccountingReport& report, bool running);

}  // namespace vexweb
