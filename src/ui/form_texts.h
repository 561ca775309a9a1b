#pragma once
// Takes a window's visible texts and font from the message catalogue. Each window and control
// names the catalogue identifier of its text in its "Tag" property (for menu items and tool-bar
// tips, in the very text to be replaced). A step that cannot be done (a tag that is no number, an
// identifier that is not in the catalogue, a control without that text) is skipped.

class QWidget;

namespace ui {

// Kinds of control, as the text loading tells them apart:
//   Label (QLabel): the text of the identifier in "Tag";
//   Menu (QAction of a QMenu): the text of the identifier that its own text holds;
//   TabStrip (QTabBar, also inside a QTabWidget): per tab, the text of the identifier in its
//     tab data, and the tool tip of the identifier that its tool tip holds;
//   Toolbar (QToolBar): per action, the tool tip of the identifier that its tool tip holds;
//   ListView (QTreeWidget): per column header, the text of the identifier in the header's
//     Qt::UserRole data;
//   any other: the leading number of "Tag", when above 0, gives the caption (button text, group
//     box title); the leading number of the tool tip, when above 0, gives the tool tip.
// The window's title comes from its own "Tag"; its font from catalogue 20 (family) and 21 (point
// size) when both are present; every control is then given the window's font.
void LoadFormTexts(QWidget* form);

}  // namespace ui
