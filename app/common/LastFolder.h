#pragma once
// Where a file dialog opens: the folder of the file last chosen in it, kept
// in the user's settings under the dialog's key, while that folder exists.
#include <QString>

namespace aulira::app {

// The remembered folder of `key`, else `fallback`.
QString lastFolder(const char* key, const QString& fallback = {});
// Remembers the folder of `file` (a chosen path) under `key`.
void rememberFolder(const char* key, const QString& file);

// The keys of the dialogs that remember their folder.
inline constexpr const char* kUpgradeFolderKey = "Folders/UpgradeFile";
inline constexpr const char* kScreenFolderKey = "Folders/ScreenFile";
inline constexpr const char* kReportFolderKey = "Folders/UpgradeReport";
inline constexpr const char* kSettingsFolderKey = "Folders/SettingsFile";

} // namespace aulira::app
