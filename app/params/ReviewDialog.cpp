#include "params/ReviewDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/UserSettings.h"
#include "params/ConfigFile.h"

namespace aulira::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

const QString kReviewKey = QStringLiteral("SettingsSheet/ReviewBeforeWrite");

} // namespace

ReviewDialog::ReviewDialog(ConstBytes before, ConstBytes after, bool ext, QWidget* parent)
    : QDialog(parent), before_(before.begin(), before.end()), after_(after.begin(), after.end()), ext_(ext)
{
    setObjectName(QStringLiteral("reviewDialog"));
    setWindowTitle(tr("Review the changes"));
    const RecordDiff d = diffRecords(before, after, ext);

    auto* heading = new QLabel(tr("Save writes these changes to the device:"), this);
    changes_ = new QTreeWidget(this);
    changes_->setObjectName(QStringLiteral("changes"));
    changes_->setRootIsDecorated(false);
    changes_->setHeaderLabels({tr("Field"), tr("Page"), tr("Old value"), tr("New value")});
    heading->setBuddy(changes_);
    changes_->setAccessibleName(tr("Changes"));
    fill(after);
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

void ReviewDialog::fill(ConstBytes after)
{
    changes_->clear();
    const RecordDiff d = diffRecords(before_, after, ext_);
    const auto a = SysParaSettings::load(before_, ext_), b = SysParaSettings::load(after, ext_);
    for (auto i : d.fields) {
        const SysParaField& f = kSysParaFields[i];
        // Passwords are not put on the screen.
        const bool hidden = f.name == "password";
        new QTreeWidgetItem(changes_, {qs(f.label), qs(sysParaPageTitle(f.page)),
                                       hidden ? QStringLiteral("********") : QString::fromStdString(a.display(i)),
                                       hidden ? QStringLiteral("********") : QString::fromStdString(b.display(i))});
    }
}

void ReviewDialog::offerKeepOwn(const QStringList& warnings, bool keep)
{
    auto* box = static_cast<QVBoxLayout*>(layout());
    int at = box->indexOf(doNotAsk_);
    for (const QString& text : warnings) {
        auto* row = new QHBoxLayout;
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
        auto* line = new QLabel(text, this);
        line->setObjectName(QStringLiteral("clashWarning"));
        line->setWordWrap(true);
        row->addWidget(icon);
        row->addWidget(line, 1);
        box->insertLayout(at++, row);
    }
    keepOwn_ = new QCheckBox(tr("Keep this device's own number, name and address"), this);
    keepOwn_->setObjectName(QStringLiteral("keepOwnCheck"));
    box->insertWidget(at, keepOwn_);
    connect(keepOwn_, &QCheckBox::toggled, this, [this](bool on) {
        std::vector<std::uint8_t> shown = after_;
        if (on)
            keepDeviceIdentity(before_, shown, ext_);
        fill(shown);
    });
    keepOwn_->setChecked(keep);
}

bool ReviewDialog::reviewWanted() { return UserSettings::get().value(kReviewKey, true).toBool(); }

void ReviewDialog::setReviewWanted(bool wanted)
{
    UserSettings::get().setValue(kReviewKey, wanted);
    UserSettings::save();
}

} // namespace aulira::app
