#pragma once
// Screen readers and accessibility-driven tools find an input by the label a
// person sees beside it: every label with a buddy lends its text ("IP
// Address:" gives "IP Address") to that buddy as its accessible name.
class QLabel;
class QString;
class QWidget;

namespace aulira::app {

// A label for `buddy`, which also takes the label's text as its name.
QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent);
// Names every buddy of a label under `root` that has no name yet.
void nameBuddies(QWidget* root);

} // namespace aulira::app
