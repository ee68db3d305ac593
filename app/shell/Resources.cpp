#include "shell/Resources.h"

#include <QtGlobal>

static void initAuctResources() { Q_INIT_RESOURCE(auct); }

namespace aulira::app {

void initResources()
{
    static const bool done = (initAuctResources(), true);
    (void)done;
}

} // namespace aulira::app
