#include "shell/LastFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace aulira::app {

QString lastFolder(const char* key, const QString& fallback)
{
    const QString folder = QSettings().value(QLatin1String(key)).toString();
    return !folder.isEmpty() && QDir(folder).exists() ? folder : fallback;
}

void rememberFolder(const char* key, const QString& file)
{
    if (!file.isEmpty())
        QSettings().setValue(QLatin1String(key), QFileInfo(file).absolutePath());
}

} // namespace aulira::app
