#pragma once
// What a screen reader announces. A field is announced by its label: the
// label becomes the field's buddy (its access key then moves the focus there)
// and lends its caption, without the access-key mark and the closing colon.
// A field that shares its label with others is named where it is built. Windows that
// are plain widgets are announced with the role of a window.

#include <QString>

class QLabel;
class QWidget;

namespace velmora {

// "&Start IP:" -> "Start IP".
QString SpokenCaption(const QString& caption);

// Ties the label to its field and names the field by the label's caption.
void TieLabel(QLabel& label, QWidget& field);

// Top-level plain widgets (the viewers) take the role of a window, not of a
// filler; call before the window is shown.
void UseWindowRole();

}  // namespace velmora
