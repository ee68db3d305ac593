#pragma once
// The program's warning box: caption "Aulira", warning icon, the text as stored.
#include <QString>

class QWidget;

namespace aulira::app {

void showWarning(QWidget* parent, const QString& text);
// A message box's text without the line feeds stored texts end in: a box
// never ends in blank lines.
QString boxText(const QString& text);
// A string table text as a warning.
void showWarningText(QWidget* parent, int stringId);

} // namespace aulira::app
