#include "shell/AppFlags.h"

namespace aulira::app {

bool g_bMacEditMenu = false;

} // namespace aulira::app
