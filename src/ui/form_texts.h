#pragma once
// Takes a window's visible texts from the message catalogue. The window and its controls name the
// catalogue identifier of their text in their "Tag" property:
//   the window: the whole tag is the identifier of its title;
//   a label (QLabel): the whole tag is the identifier of its text;
//   a button or group box: the leading number of the tag, when above 0, identifies its caption;
//   every control but a label: the leading number of its tool tip, when above 0, identifies
//   the tool tip.
// A step that cannot be done (a tag that is no number, an identifier that is not in the
// catalogue) is skipped. Child windows (dialogs parented to the window) keep their own texts.

class QWidget;

namespace stallscan::ui {

void LoadFormTexts(QWidget* form);

}  // namespace stallscan::ui
