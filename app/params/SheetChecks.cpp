// The settings sheet's checks between the pages' rules and the write: the
// addresses that keep a device reachable, and the review with its warning
// when the new number or address is another device's.
#include "params/SettingsSheet.h"

#include <QCheckBox>

#include "devices/DeviceList.h"
#include "params/ConfigFile.h"
#include "params/ReviewDialog.h"
#include "params/pages/BasicParaPage.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira::app {

bool SettingsSheet::refuseUnreachable()
{
    // The rule an import of a configuration file passes, so the sheet never
    // writes what auctl would refuse.
    const auto refusal = checkReachableAddresses(settings_);
    if (!refusal)
        return false;
    showPage(BasicSettings);
    // The basic page's editors are named after their fields, but for two.
    const std::string_view name = refusal->field;
    const QString object = name == "ip"     ? QStringLiteral("ipAddress")
                           : name == "mask" ? QStringLiteral("subnetMask")
                                            : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    auto* field = basic_->findChild<QWidget*>(object);
    QString label = field ? field->accessibleName() : QString();
    if (label.isEmpty())
        label = QString::fromUtf8(sysParaField(name).label.data(), static_cast<qsizetype>(sysParaField(name).label.size()));
    if (field && field->isVisible())
        field->setFocus();
    warn_(this, tr("%1: %2").arg(label, QString::fromStdString(oneLine(refusalText(*refusal)))));
    return true;
}

QStringList SettingsSheet::clashWarnings() const
{
    QStringList out;
    if (!list_)
        return out;
    const auto mine = SysParaSettings::load(record_, ext_), read = SysParaSettings::load(readRecord_, ext_);
    const auto no = static_cast<std::int32_t>(mine.value("deviceNo").number);
    const auto ip = static_cast<std::uint32_t>(mine.value("ip").number);
    const bool newNo = no != static_cast<std::int32_t>(read.value("deviceNo").number);
    const bool newIp = ip != static_cast<std::uint32_t>(read.value("ip").number);
    for (const auto& other : list_->snapshot()) {
        if (other == item_)
            continue;
        bool sameNo = false, sameIp = false;
        {
            std::lock_guard lock(list_->mutex());
            sameNo = newNo && other->devItem.devNo() == no;
            sameIp = newIp && (other->ip == ip || other->devItem.ip() == ip);
        }
        if (sameNo)
            out << tr("Device NO %1 already belongs to %2.").arg(no).arg(describe(*list_, other));
        if (sameIp)
            out << tr("IP address %1 already belongs to %2.")
                       .arg(QString::fromStdString(formatIp(ip)), describe(*list_, other));
    }
    return out;
}

bool SettingsSheet::reviewAccepted()
{
    const QStringList clashes = clashWarnings();
    if (!ReviewDialog::reviewWanted() && clashes.isEmpty())
        return true;
    ReviewDialog review(readRecord_, record_, ext_, this);
    SysParaBuffer kept = record_;
    keepDeviceIdentity(readRecord_, kept, ext_);
    // Offered when settings from a file would change who the device is.
    if (!clashes.isEmpty() || (loadedFromFile_ && kept != record_))
        review.offerKeepOwn(clashes, !clashes.isEmpty());
    if (review.exec() != QDialog::Accepted)
        return false;
    if (review.keepOwn() && review.keepOwn()->isChecked()) {
        record_ = kept;
        publishRecord();
        reloadPages();
        fillRunningInfo();
    }
    return true;
}

} // namespace aulira::app
