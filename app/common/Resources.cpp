#include "common/Resources.h"

#include <QtGlobal>

#ifndef AULIRA_PNG_ICONS
static void initAuctResources() { Q_INIT_RESOURCE(auct); }
#endif

namespace aulira::app {

void initResources()
{
#ifndef AULIRA_PNG_ICONS
    static const bool done = (initAuctResources(), true);
    (void)done;
#endif
}

QIcon appIcon(const QString& name, std::initializer_list<QIcon::Mode> modes)
{
    QIcon icon;
    for (const QIcon::Mode mode : modes) {
#ifdef AULIRA_PNG_ICONS
        // The sizes app/CMakeLists.txt renders; QIcon picks the nearest for
        // the size and the screen's scale.
        for (const int size : {16, 24, 32, 48, 64, 256})
            icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(size).arg(name), QSize(size, size), mode);
#else
        icon.addFile(QStringLiteral(":/icons/%1.svg").arg(name), {}, mode);
#endif
    }
    return icon;
}

} // namespace aulira::app
