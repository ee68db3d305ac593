#pragma once
// The review before a rollout writes anything: one row per device with a
// tick, and under it every field the write changes (field, now, planned).
// Cells the device's layout lacks are named as refused; a device that cannot
// be written (not found, not read) has no tick and says why.
#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace aulira::app {

struct ReviewChange {
    QString field;
    QString page;
    QString now;
    QString planned;
};

struct ReviewDevice {
    QString title; // name, address and MAC as the run dialog shows them
    std::vector<ReviewChange> changes;
    QStringList refused; // fields the device's layout lacks
    QString problem;     // set: the device cannot be written, and why
    int otherBytes = 0;  // bytes outside every field that differ
};

class RolloutReviewDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { ColDevice, ColField, ColNow, ColPlanned, ColCount };

    // offerDoNotAsk: the "Do not ask again" box of the settings sheet's
    // review; the caller turns the review off when it is ticked.
    RolloutReviewDialog(const QString& heading, const std::vector<ReviewDevice>& devices, bool offerDoNotAsk,
                        QWidget* parent = nullptr);

    // Per device, in the order given: whether it is ticked.
    std::vector<bool> ticked() const;

    QTreeWidget* tree() const { return tree_; }
    QTreeWidgetItem* deviceRow(int device) const;
    QPushButton* goButton() const { return go_; }
    QCheckBox* doNotAskAgain() const { return doNotAsk_; }

private:
    void updateSummary();

    QTreeWidget* tree_;
    QLabel* summary_;
    QPushButton* go_;
    QCheckBox* doNotAsk_ = nullptr;
    std::vector<QTreeWidgetItem*> rows_;
    std::vector<int> changeCounts_;
};

} // namespace aulira::app
