#include "mainwindow/PropertiesPane.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "devices/DeviceInfo.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {
constexpr int kDescriptionRole = Qt::UserRole + 1;

QString ipText(std::uint32_t stored)
{
    return QString::fromStdString(formatIp(stored));
}
} // namespace

PropertiesPane::PropertiesPane(QWidget* parent)
    : QWidget(parent), deviceTitle_(new QLabel(this)), tree_(new QTreeWidget(this)), descTitle_(new QLabel(this)),
      descText_(new QLabel(this))
{
    setObjectName(QStringLiteral("propertiesPane"));
    setWindowTitle(title());
    deviceTitle_->setObjectName(QStringLiteral("propertyDeviceTitle"));
    deviceTitle_->setWordWrap(true);
    deviceTitle_->setTextFormat(Qt::PlainText);
    deviceTitle_->setContentsMargins(4, 2, 4, 2);
    tree_->setObjectName(QStringLiteral("propertyTree"));
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({tr("Property"), tr("Value")});
    tree_->header()->hide();
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setRootIsDecorated(true);
    tree_->setAlternatingRowColors(false);

    auto* desc = new QFrame(this);
    desc->setObjectName(QStringLiteral("propertyDescriptionArea"));
    desc->setFrameShape(QFrame::StyledPanel);
    descTitle_->setObjectName(QStringLiteral("propertyDescriptionTitle"));
    QFont bold = descTitle_->font();
    bold.setBold(true);
    descTitle_->setFont(bold);
    descText_->setObjectName(QStringLiteral("propertyDescription"));
    descText_->setWordWrap(true);
    descText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* descLayout = new QVBoxLayout(desc);
    descLayout->addWidget(descTitle_);
    descLayout->addWidget(descText_, 1);
    desc->setMinimumHeight(60);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(deviceTitle_);
    layout->addWidget(tree_, 1);
    layout->addWidget(desc);

    showDevice(nullptr);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { showDescription(current); });
}

QString PropertiesPane::title()
{
    return tr("Device Properties");
}

void PropertiesPane::showDevice(const DeviceInfo_Type* device)
{
    tree_->clear();
    showDescription(nullptr);
    QFont font = deviceTitle_->font();
    font.setBold(device != nullptr);
    deviceTitle_->setFont(font);
    deviceTitle_->setEnabled(device != nullptr); // the hint is drawn subdued
    if (!device) {
        deviceTitle_->setText(tr("No device selected: click a device in the list."));
        tree_->setAccessibleName(title());
        return;
    }
    // Which device the values belong to: its name and address.
    deviceTitle_->setText(QString::fromStdString(deviceTag(ansiToUtf8(device->devName()), device->ip())));
    tree_->setAccessibleName(title() + QStringLiteral(": ") + deviceTitle_->text());

    auto* group = new QTreeWidgetItem(tree_, {tr("Network configuration")});
    group->setFlags(Qt::ItemIsEnabled);
    group->setFirstColumnSpanned(true);
    QFont bold = group->font(0);
    bold.setBold(true);
    group->setFont(0, bold);

    QStringList groups;
    for (int i = 0; i < 8; ++i)
        groups << QString::number(device->groupNo(i));

    const struct {
        QString name;
        QString value;
        QString description;
    } rows[] = {
        {tr("Subnet Mask"), ipText(device->mask()), tr("Subnet mask for audio device")},
        {tr("Gateway"), ipText(device->gateway()), tr("Gateway for audio devices")},
        {tr("Preferred DNS"), ipText(device->dns1()), tr("Preferred DNS Server")},
        {tr("Alternative DNS"), ipText(device->dns2()), tr("Alternative DNS server")},
        {tr("Preferred Server"), ipText(device->serverIp()), tr("Preferred audio server IP")},
        {tr("Alternative Server"), ipText(device->altServerIp()), tr("Alternative Audio Server IP")},
        // Named as on the sheet's Play Settings page, where the numbers are set.
        {tr("Affiliated Group"), groups.join(QLatin1Char(',')),
         tr("The 8 broadcast group numbers the device has joined")},
    };
    for (const auto& r : rows) {
        auto* item = new QTreeWidgetItem(group, {r.name, r.value});
        // Selectable for its description, never editable: the pane only shows
        // what the device reported.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setData(0, kDescriptionRole, r.description);
        item->setToolTip(1, r.value);
    }
    tree_->expandAll();
}

QString PropertiesPane::value(const QString& name) const
{
    const auto found = tree_->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? QString() : found.first()->text(1);
}

QString PropertiesPane::deviceTitle() const { return deviceTitle_->text(); }

QString PropertiesPane::descriptionTitle() const
{
    return descTitle_->text();
}

QString PropertiesPane::descriptionText() const
{
    return descText_->text();
}

void PropertiesPane::showDescription(QTreeWidgetItem* item)
{
    descTitle_->setText(item ? item->text(0) : QString());
    descText_->setText(item ? item->data(0, kDescriptionRole).toString() : QString());
}

} // namespace aulira::app
