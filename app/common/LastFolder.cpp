#include "common/LastFolder.h"

#include <QDir>
#include <QFileInfo>

#include "common/UserSettings.h"

namespace aulira::app {

QString lastFolder(const char* key, const QString& fallback)
{
    const QString folder = UserSettings::get().value(QLatin1String(key)).toString();
    return !folder.isEmpty() && QDir(folder).exists() ? folder : fallback;
}

void rememberFolder(const char* key, const QString& file)
{
    if (!file.isEmpty())
        UserSettings::get().setValue(QLatin1String(key), QFileInfo(file).absolutePath());
}

} // namespace aulira::app
