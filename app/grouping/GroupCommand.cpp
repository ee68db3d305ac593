#include "grouping/GroupCommand.h"

#include <QMessageBox>
#include <QWidget>

#include <mutex>

#include "common/AppContext.h"
#include "common/MessageBox.h"
#include "devices/DeviceRules.h"
#include "grouping/GroupFile.h"
#include "grouping/GroupSetupDialog.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira::app {

GroupCommand::GroupCommand(AppContext& context, QWidget* window)
    : QObject(window), context_(context), window_(window)
{
    setObjectName(QStringLiteral("groupCommand"));
    bool complete = true;
    groups_ = LoadGroupInfoFile(groupFilePath(context_.dataDir()), &complete);
    if (!complete)
        OutputLog("The group file ends early; the groups read completely were kept.");
}

bool GroupCommand::checksPass()
{
    DeviceList& list = context_.manager().devices();
    const auto items = list.snapshot();
    DeviceInfo_Type unnamed;
    bool found = false;
    {
        std::lock_guard lock(list.mutex());
        for (const auto& item : items)
            if (item->devItem.devName().empty()) {
                unnamed = item->devItem;
                found = true;
                break;
            }
    }
    if (found) {
        const QString text = QString::fromStdString(oneLine(stringText(IDS_COL_NO))) +
                             QStringLiteral(":%1,IP:").arg(unnamed.devNo()) +
                             QString::fromStdString(formatIp(unnamed.ip()) + stringText(IDS_NO_NAME_SKIP));
        QMessageBox box(QMessageBox::Question, tr("Aulira"), boxText(text), QMessageBox::Ok | QMessageBox::Cancel,
                        window_);
        box.setObjectName(QStringLiteral("unnamedDeviceBox"));
        if (box.exec() != QMessageBox::Ok)
            return false;
    }
    int messageId = 0;
    {
        std::lock_guard lock(list.mutex());
        if (!CheckDuplicates(items, &messageId))
            return true;
    }
    showWarningText(window_, messageId);
    return false;
}

void GroupCommand::run()
{
    if (dialog_)
        return;
    if (context_.manager().searching()) {
        emit statusMessage(tr("Grouping waits until the device search has finished."));
        return;
    }
    if (!checksPass())
        return;
    GroupSetupDialog dialog(groups_, groupFilePath(context_.dataDir()), context_.manager().devices(),
                            context_.worker(), window_);
    connect(&dialog, &GroupSetupDialog::statusMessage, this, &GroupCommand::statusMessage);
    dialog_ = &dialog;
    dialog.exec();
    dialog_ = nullptr;
}

void GroupCommand::groupProgress(int percent)
{
    if (dialog_)
        dialog_->groupProgress(percent);
}

void GroupCommand::groupDownloaded()
{
    if (dialog_)
        dialog_->groupDownloaded();
}

} // namespace aulira::app
