#include "InterimProduct.h"

namespace vexprofiles {

namespace {

constexpr const char* Panel = "InterimProductPanel";
constexpr const char* ErrorBox = "VexStrErrorBox";
constexpr const char* ClassFrame = "frmClass";
constexpr const char* BrowserButton = "ClassBrowser";
constexpr const char* PartNumberEditor = "editorpartnumber";

using vexdrive::ActionVerb;
using vexdrive::Takes;

}  // namespace

const vexdrive::Profile& InterimProductProfile() {
  static const vexdrive::Profile profile{
      {
          {{"class", "choose"},
           "class NAME",
           "choose a class in the class frame (the rest of the line; may be empty)",
           Takes::OptionalText,
           "the panel shown, with its class frame",
           ActionVerb::Choose,
           {Panel, ClassFrame}},
          {{"browse"},
           "browse [NAME]",
           "list the classes the class browser offers; with NAME, choose it there",
           Takes::OptionalText,
           "the panel shown, with the class browser available and offering the class",
           ActionVerb::Browse,
           {Panel, ClassFrame}},
          {{"partnumber", "type"},
           "partnumber TEXT",
           "replace the part-number editor's text (the rest of the line; may be empty)",
           Takes::OptionalText,
           "the panel shown, with its part-number editor",
           ActionVerb::Type,
           {Panel, PartNumberEditor}},
          {{"ok"},
           "ok",
           "press OK in the panel",
           Takes::Nothing,
           "the panel shown, with OK sensitive",
           ActionVerb::Press,
           {Panel, "OK"}},
          {{"cancel"},
           "cancel",
           "press Cancel in the panel",
           Takes::Nothing,
           "the panel shown",
           ActionVerb::Press,
           {Panel, "Cancel"}},
          {{"close"},
           "close",
           "close the panel with its window's close box",
           Takes::Nothing,
           "the panel shown",
           ActionVerb::Close,
           {Panel, {}}},
          {{"ack", "acknowledge"},
           "ack",
           "press OK in the error box",
           Takes::Nothing,
           "the error box shown",
           ActionVerb::Acknowledge,
           {ErrorBox, {}}},
      },
      Panel,
      BrowserButton,
      PartNumberEditor,
      ErrorBox,
  };
  return profile;
}

}  // namespace vexprofiles
