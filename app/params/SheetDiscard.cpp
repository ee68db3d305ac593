// Closing the settings sheet without saving: edits are not dropped unasked.
#include "params/SettingsSheet.h"

#include <QMessageBox>
#include <QPushButton>

#include "common/MessageBox.h"
#include "params/pages/ParaPage.h"

namespace aulira::app {

bool SettingsSheet::hasUnsavedEdits() const
{
    if (!item_)
        return false;
    // What Save would write, worked out on copies without showing anything.
    SysParaSettings settings = settings_;
    SysParaBuffer record = record_;
    for (int i = BasicSettings; i < PageCount; ++i)
        if (!page(i)->storeQuietly(settings, record))
            return true;
    const RecordDiff changes = diffRecords(readRecord_, record, ext_);
    return !changes.fields.empty() || changes.otherBytes != 0;
}

void SettingsSheet::reject()
{
    // A write under way carries the edits: closing does not stop it.
    if (!writing_ && hasUnsavedEdits()) {
        QMessageBox box(QMessageBox::Question, tr("Aulira"),
                        boxText(tr("Discard the changes to %1?").arg(describe(*list_, item_))), QMessageBox::NoButton,
                        this);
        box.setObjectName(QStringLiteral("discardEditsBox"));
        box.setInformativeText(tr("They have not been written to the device."));
        QPushButton* discard = box.addButton(tr("&Discard"), QMessageBox::DestructiveRole);
        QPushButton* keep = box.addButton(tr("&Keep Editing"), QMessageBox::RejectRole);
        box.setDefaultButton(keep);
        box.setEscapeButton(keep);
        box.exec();
        if (box.clickedButton() != discard)
            return;
    }
    if (!writing_ && item_) {
        // The entry keeps the record as read, and the pages show it again.
        record_ = readRecord_;
        publishRecord();
        reloadPages();
    }
    QDialog::reject();
}

} // namespace aulira::app
