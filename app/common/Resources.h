#pragma once
// The icons are compiled into the app library; a static library's resources
// must be registered by hand before the first icon is loaded.
#include <QIcon>
#include <QString>

#include <initializer_list>

namespace aulira::app {
void initResources();

// The icon of that name (resources/icons/NAME.svg): the SVG itself, or in a
// build without Qt's SVG module the PNGs rendered from it at build time. The
// same files serve every mode given (a selected row keeps its colours).
QIcon appIcon(const QString& name, std::initializer_list<QIcon::Mode> modes = {QIcon::Normal});
} // namespace aulira::app
