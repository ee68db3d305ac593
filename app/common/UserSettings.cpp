#include "common/UserSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include "shell/Log.h"

namespace aulira::app {

namespace {

QPointer<QSettings> openFile;

// Copies what the old store has and the new file lacks, then empties the old
// store, so it is read this once.
void takeOverOldSettings(QSettings& to)
{
    QSettings from(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(UserSettings::kOrganization),
                   QLatin1String(UserSettings::kOldApplication));
    const QStringList keys = from.allKeys();
    if (keys.isEmpty())
        return;
    for (const QString& key : keys)
        if (!to.contains(key))
            to.setValue(key, from.value(key));
    to.sync();
    if (to.status() != QSettings::NoError) {
        OutputLog("The settings of an earlier version (%s) could not be taken over: %s could not be written",
                  qPrintable(from.fileName()), qPrintable(to.fileName()));
        return;
    }
    from.clear();
    from.sync();
    // The native store of Linux is a file: remove it rather than leave it empty.
    if (QFileInfo(from.fileName()).isFile())
        QFile::remove(from.fileName());
    OutputLog("The settings of an earlier version were taken over from %s into %s", qPrintable(from.fileName()),
              qPrintable(to.fileName()));
}

} // namespace

QSettings& UserSettings::get()
{
    if (!openFile) {
        // Closed with the application, before the process's own teardown.
        openFile = new QSettings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kOrganization),
                                 QLatin1String(kApplication), QCoreApplication::instance());
        takeOverOldSettings(*openFile);
    }
    return *openFile;
}

bool UserSettings::save()
{
    QSettings& s = get();
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    OutputLog("The user's settings could not be written to %s", qPrintable(s.fileName()));
    return false;
}

void UserSettings::close() { delete openFile.data(); }

void useUserSettingsByDefault()
{
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QCoreApplication::setOrganizationName(QLatin1String(UserSettings::kOrganization));
    QCoreApplication::setApplicationName(QLatin1String(UserSettings::kApplication));
}

} // namespace aulira::app
