#pragma once
// Content of the "Device Properties" pane: the name and address of the
// current device of the device list over its network configuration,
// read-only, as the device reported it in its identity record. A description
// area under the list explains the selected row.
#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace aulira {
struct DeviceInfo_Type;
}

namespace aulira::app {

class PropertiesPane : public QWidget {
    Q_OBJECT
public:
    explicit PropertiesPane(QWidget* parent = nullptr);

    static QString title();

    // nullptr empties the list (a click beside every row).
    void showDevice(const DeviceInfo_Type* device);

    QTreeWidget* tree() const { return tree_; }
    // The device shown ("Lobby(127.0.0.5)"), or a hint when there is none.
    QString deviceTitle() const;
    // The value shown for a property name, empty when there is none.
    QString value(const QString& name) const;
    QString descriptionTitle() const;
    QString descriptionText() const;

private:
    void showDescription(QTreeWidgetItem* item);

    QLabel* deviceTitle_;
    QTreeWidget* tree_;
    QLabel* descTitle_;
    QLabel* descText_;
};

} // namespace aulira::app
