#pragma once
// Shown by the sheet's Save before anything is written: every field the write
// changes (label, page, old value, new value), from the record as read to the
// record to be written, as `auctl params set` prints it. "Write" goes ahead,
// "Cancel" writes nothing; "Do not ask again" turns the review off for good.
#include <QDialog>

#include <vector>

#include "params/SysParaSettings.h"

class QCheckBox;
class QPushButton;
class QTreeWidget;

namespace aulira::app {

class ReviewDialog : public QDialog {
    Q_OBJECT
public:
    ReviewDialog(ConstBytes before, ConstBytes after, bool ext, QWidget* parent = nullptr);

    QTreeWidget* changes() const { return changes_; }
    QCheckBox* doNotAskAgain() const { return doNotAsk_; }
    QPushButton* writeButton() const { return write_; }

    // Settings from another device's file: `warnings` says which of the new
    // values already belong to other devices, and a tick box offers to keep
    // this device's own number, name and address (ticked as `keep` says).
    // The list shows what the write would change either way.
    void offerKeepOwn(const QStringList& warnings, bool keep);
    // Null unless offered.
    QCheckBox* keepOwn() const { return keepOwn_; }

    // Whether Save reviews its changes; kept in the user's settings.
    static bool reviewWanted();
    static void setReviewWanted(bool wanted);

private:
    void fill(ConstBytes after);

    std::vector<std::uint8_t> before_, after_;
    bool ext_;
    QCheckBox* keepOwn_ = nullptr;
    QTreeWidget* changes_;
    QCheckBox* doNotAsk_;
    QPushButton* write_;
};

} // namespace aulira::app
