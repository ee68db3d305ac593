#include "common/DeviceLog.h"

#include <mutex>

#include "devices/DeviceList.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

QString deviceLogName(const DeviceList& list, const DeviceItemPtr& item, bool withMac)
{
    std::int32_t no = 0;
    std::string tag;
    std::string mac;
    {
        std::lock_guard lock(list.mutex());
        no = item->devItem.devNo();
        tag = deviceTag(ansiToUtf8(item->devItem.devName()), item->ip);
        if (withMac && !item->devItem.macIsZero())
            mac = item->devItem.macText();
    }
    QString text = QStringLiteral("%1 %2 %3")
                       .arg(QString::fromStdString(oneLine(stringText(IDS_COL_NO))))
                       .arg(no)
                       .arg(QString::fromStdString(tag));
    if (!mac.empty())
        text += QStringLiteral(" MAC ") + QString::fromStdString(mac);
    return text;
}

void logLine(const QString& line) { OutputLog("%s", line.toUtf8().constData()); }

} // namespace aulira::app
