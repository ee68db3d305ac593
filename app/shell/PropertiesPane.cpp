#include "shell/PropertiesPane.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "devices/DeviceInfo.h"
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
    : QWidget(parent), tree_(new QTreeWidget(this)), descTitle_(new QLabel(this)), descText_(new QLabel(this))
{
    setObjectName(QStringLiteral("propertiesPane"));
    setWindowTitle(title());
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
    layout->addWidget(tree_, 1);
    layout->addWidget(desc);

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
    if (!device)
        return;

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
        {tr("Multicast Address"), groups.join(QLatin1Char(',')), tr("8 multicast group numbers joined")},
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
