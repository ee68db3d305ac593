#pragma once
// The Group command of the main window: the program's group list (read from
// the group file once, when the window is set up), the checks made before
// the group settings open (a device without a name, duplicates), and the
// group settings dialog itself, which gets the worker's group progress while
// it is open.
#include <QObject>

#include "grouping/GroupTypes.h"

class QWidget;

namespace aulira::app {

class AppContext;
class GroupSetupDialog;

class GroupCommand : public QObject {
    Q_OBJECT
public:
    GroupCommand(AppContext& context, QWidget* window);

    const GroupList& groups() const { return groups_; }
    // The open group settings, or null.
    GroupSetupDialog* dialog() const { return dialog_; }

public slots:
    void run();
    void groupProgress(int percent);
    void groupDownloaded();

signals:
    void statusMessage(const QString& text);

private:
    bool checksPass();

    AppContext& context_;
    QWidget* window_;
    GroupList groups_;
    GroupSetupDialog* dialog_ = nullptr;
};

} // namespace aulira::app
