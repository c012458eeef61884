// The names under which the interim-product command and its dialogs are found in the host.
#pragma once

namespace vexdrive {

inline constexpr const char* CommandName = "VexStrCreateInterimProdCmd";
inline constexpr const char* PanelName = "InterimProductPanel";
inline constexpr const char* ErrorBoxName = "VexStrErrorBox";
inline constexpr const char* ClassFrameName = "frmClass";
inline constexpr const char* BrowserButtonName = "ClassBrowser";
inline constexpr const char* PartNumberEditorName = "editorpartnumber";

}  // namespace vexdrive
