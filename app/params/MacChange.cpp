#include "params/MacChange.h"

#include <QMessageBox>
#include <QWidget>

#include <mutex>

#include "devices/DeviceList.h"
#include "params/EditMacDialog.h"
#include "params/SettingsSheet.h"
#include "protocol/Packet.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "util/Ipv4.h"

namespace aulira::app {

MacChange::MacChange(DeviceList& list, ProtocolWorker& worker, QWidget* owner)
    : QObject(owner), list_(list), worker_(worker), owner_(owner)
{
}

void MacChange::request(const DeviceItemPtr& item)
{
    if (!item || pending_.count(item.get()))
        return; // one change per device at a time: its result decides
    EditMacDialog dialog(list_, item, owner_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    Pending p{item, {}, {}};
    {
        std::lock_guard lock(list_.mutex());
        p.oldMac = QString::fromStdString(formatMac(item->oldMac.data()));
        p.newMac = QString::fromStdString(formatMac(item->devItem.mac()));
    }
    pending_[item.get()] = p;
    worker_.postWriteMac(item);
}

void MacChange::writeDone(const DeviceItemPtr& item, int result) { finish(item, result, false); }

void MacChange::writeFailed(const DeviceItemPtr& item, int result) { finish(item, result, true); }

void MacChange::finish(const DeviceItemPtr& item, int result, bool failed)
{
    const auto it = pending_.find(item.get());
    if (it == pending_.end())
        return;
    const Pending p = it->second;
    pending_.erase(it);
    const QString who = SettingsSheet::describe(list_, item);
    QString line;
    QMessageBox::Icon icon = QMessageBox::Warning;
    if (!failed && result == RES_OK) {
        line = tr("MAC address of %1 changed from %2 to %3.").arg(who, p.oldMac, p.newMac);
        icon = QMessageBox::Information;
    } else if (!failed && result == RES_NOT_CONFIRMED) {
        line = tr("MAC address of %1 written (%2 to %3) but not confirmed: search again to see which one it "
                  "answers to.")
                   .arg(who, p.oldMac, p.newMac);
    } else {
        line = tr("MAC address of %1 not changed from %2 to %3: %4.")
                   .arg(who, p.oldMac, p.newMac, QString::fromStdString(exchangeResultText(result)));
    }
    OutputLog("%s", line.toStdString().c_str());
    emit statusMessage(line);
    // The worker waits until this returns: the box is shown from the event loop.
    QMetaObject::invokeMethod(
        this,
        [this, line, icon] {
            QMessageBox box(icon, QStringLiteral("Aulira"), line, QMessageBox::Ok, owner_);
            box.exec();
        },
        Qt::QueuedConnection);
}

} // namespace aulira::app
