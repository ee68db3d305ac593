#include "params/ReviewDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace aulira::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QSettings userSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Aulira"), QStringLiteral("auct"));
}

const QString kReviewKey = QStringLiteral("SettingsSheet/ReviewBeforeWrite");

} // namespace

ReviewDialog::ReviewDialog(ConstBytes before, ConstBytes after, bool ext, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("reviewDialog"));
    setWindowTitle(tr("Review the changes"));
    const RecordDiff d = diffRecords(before, after, ext);
    const auto a = SysParaSettings::load(before, ext), b = SysParaSettings::load(after, ext);

    auto* heading = new QLabel(tr("Save writes these changes to the device:"), this);
    changes_ = new QTreeWidget(this);
    changes_->setObjectName(QStringLiteral("changes"));
    changes_->setRootIsDecorated(false);
    changes_->setHeaderLabels({tr("Field"), tr("Page"), tr("Old value"), tr("New value")});
    heading->setBuddy(changes_);
    changes_->setAccessibleName(tr("Changes"));
    for (auto i : d.fields) {
        const SysParaField& f = kSysParaFields[i];
        // Passwords are not put on the screen.
        const bool hidden = f.name == "password";
        new QTreeWidgetItem(changes_, {qs(f.label), qs(sysParaPageTitle(f.page)),
                                       hidden ? QStringLiteral("********") : QString::fromStdString(a.display(i)),
                                       hidden ? QStringLiteral("********") : QString::fromStdString(b.display(i))});
    }
    changes_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    doNotAsk_ = new QCheckBox(tr("Do not ask again"), this);
    doNotAsk_->setObjectName(QStringLiteral("doNotAskAgain"));
    auto* buttons = new QDialogButtonBox(this);
    write_ = buttons->addButton(tr("Write"), QDialogButtonBox::AcceptRole);
    write_->setObjectName(QStringLiteral("writeButton"));
    write_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (doNotAsk_->isChecked())
            setReviewWanted(false);
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(changes_, 1);
    if (d.otherBytes) {
        layout->addWidget(new QLabel(tr("%n other byte(s) of the record differ.", nullptr, static_cast<int>(d.otherBytes)),
                                     this));
    }
    layout->addWidget(doNotAsk_);
    layout->addWidget(buttons);
    resize(620, 360);
}

bool ReviewDialog::reviewWanted() { return userSettings().value(kReviewKey, true).toBool(); }

void ReviewDialog::setReviewWanted(bool wanted)
{
    auto s = userSettings();
    s.setValue(kReviewKey, wanted);
}

} // namespace aulira::app
