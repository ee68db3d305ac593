#pragma once
// A MAC change started from the device list: the dialog, the worker's write,
// and its outcome as the worker reports it (done, not confirmed, failed), in
// the operation log with the old and the new address and in a message box.
#include <QObject>
#include <QString>

#include <map>

#include "devices/DeviceItem.h"

class QWidget;

namespace aulira {
class DeviceList;
class ProtocolWorker;
} // namespace aulira

namespace aulira::app {

class MacChange : public QObject {
    Q_OBJECT
public:
    MacChange(DeviceList& list, ProtocolWorker& worker, QWidget* owner);

    // Shows the dialog for `item`; on OK the change goes to the worker.
    void request(const DeviceItemPtr& item);
    // The worker's reports. A write report about an entry with no MAC change
    // under way belongs to the settings sheet and is left alone.
    void writeDone(const DeviceItemPtr& item, int result);
    void writeFailed(const DeviceItemPtr& item, int result);

signals:
    void statusMessage(const QString& text);

private:
    struct Pending {
        DeviceItemPtr item;
        QString oldMac;
        QString newMac;
    };
    void finish(const DeviceItemPtr& item, int result, bool failed);

    DeviceList& list_;
    ProtocolWorker& worker_;
    QWidget* owner_;
    std::map<const DeviceItem_Type*, Pending> pending_;
};

} // namespace aulira::app
