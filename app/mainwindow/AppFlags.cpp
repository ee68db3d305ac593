#include "mainwindow/AppFlags.h"

namespace aulira::app {

bool macEditMenuEnabled = false;

} // namespace aulira::app
