#pragma once
// The preferences of the person using the app, in one file of their own:
// Aulira/auct.ini in their configuration folder (~/.config on Linux,
// %APPDATA% on Windows). It keeps the window's layout and the list's columns
// and sort, the folders the file dialogs last opened, whether Save shows its
// review, how many devices an upgrade or a commissioning takes at a time.
// The program's configuration in the data directory (AuliraServer.ini,
// shared with auctl) is another thing and is never written here.
//
// The file is opened once, on first use, and kept open for the run. The app
// sets the process's default settings to this same file, so a QSettings
// made anywhere in the app reads and writes it too.
#include <QSettings>

namespace aulira::app {

class UserSettings {
public:
    // The one file. On its first opening, preferences left by earlier
    // versions (the layout in the desktop's native settings store, "AUCT")
    // are taken over and the old store removed.
    static QSettings& get();
    // Writes what is pending; false (and a line in the log) when the file
    // could not be written.
    static bool save();
    // Closes the file; the next get() opens it afresh (tests that change the
    // settings folder).
    static void close();

    // The organisation and application names the file is filed under.
    static constexpr const char* kOrganization = "Aulira";
    static constexpr const char* kApplication = "auct";
    // The store of earlier versions, in the native format.
    static constexpr const char* kOldApplication = "AUCT";
};

// Makes this process's QSettings() the user's file (in main, before any use).
void useUserSettingsByDefault();

} // namespace aulira::app
