#include "addrbook/AddrBookDownloadDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString text(int id) { return QString::fromStdString(oneLine(stringText(id))); }
QString stored(int id) { return QString::fromUtf8(stringText(id)); }

// A box shown after the worker has been let go: the worker waits for the
// dialog to take a result, never for a person to read it.
void boxLater(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& more)
{
    QTimer::singleShot(0, parent, [parent, icon, text, more] {
        QMessageBox box(icon, QObject::tr("Aulira"), boxText(text), QMessageBox::Ok, parent);
        box.setObjectName(QStringLiteral("bookResultBox"));
        box.setInformativeText(boxText(more));
        box.exec();
    });
}

} // namespace

AddrBookDownloadDlg::AddrBookDownloadDlg(AddrBookList& books, GroupList groups, DeviceList& list,
                                         ProtocolWorker& worker, QWidget* parent)
    : QDialog(parent), bookList_(books), groups_(std::move(groups)), list_(list), worker_(worker),
      rows_(bookDevices(list))
{
    setObjectName(QStringLiteral("bookDownloadDialog"));
    setWindowTitle(tr("Download Address Book"));

    books_ = new QComboBox(this);
    books_->setObjectName(QStringLiteral("bookCombo"));
    delete_ = new QPushButton(tr("&Delete"), this);
    delete_->setObjectName(QStringLiteral("bookDeleteButton"));
    devices_ = new QComboBox(this);
    devices_->setObjectName(QStringLiteral("bookDeviceCombo"));
    download_ = new QPushButton(tr("Do&wnload"), this);
    download_->setObjectName(QStringLiteral("bookDownloadButton"));
    clear_ = new QPushButton(tr("&Clear"), this);
    clear_->setObjectName(QStringLiteral("bookClearButton"));
    for (QPushButton* b : {delete_, download_, clear_})
        b->setAutoDefault(false); // Enter in a list must not delete or send

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("bookTabs"));
    groupGrid_ = new BookGrid(BookGrid::Kind::Groups, {4, 7, 53}, tabs_);
    groupGrid_->setObjectName(QStringLiteral("bookGroupGrid"));
    castGrid_ = new BookGrid(BookGrid::Kind::Devices, {4, 6, 20, 10, 10, 14}, tabs_);
    castGrid_->setObjectName(QStringLiteral("bookCastGrid"));
    callGrid_ = new BookGrid(BookGrid::Kind::Devices, {4, 6, 20, 10, 10, 14}, tabs_);
    callGrid_->setObjectName(QStringLiteral("bookCallGrid"));
    const QString tabTexts[] = {text(IDS_TAB_BROADCAST_GROUP), text(IDS_TAB_BROADCAST_DEVICE),
                                text(IDS_TAB_INTERCOM_DEVICE)};
    int t = 0;
    for (BookGrid* g : {groupGrid_, castGrid_, callGrid_}) {
        g->setAccessibleName(tabTexts[t]);
        tabs_->addTab(g, tabTexts[t++]);
        connect(g, &CheckGrid::checkBoxClicked, this, [this] { rebuildBook(); });
    }

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("bookProgress"));
    progress_->setRange(0, 0); // the station reports nothing while it takes the packets
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(120);
    progress_->hide();
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("bookStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(close, &QDialogButtonBox::rejected, this, &AddrBookDownloadDlg::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(buddyLabel(tr("&Address Book:"), books_, this), 0, 0);
    grid->addWidget(books_, 0, 1);
    grid->addWidget(delete_, 0, 2);
    grid->addWidget(buddyLabel(tr("Download D&evice:"), devices_, this), 1, 0);
    grid->addWidget(devices_, 1, 1);
    grid->addWidget(download_, 1, 2);
    grid->addWidget(clear_, 1, 3);
    grid->setColumnStretch(1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progress_);
    bottom->addWidget(status_, 1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(tabs_, 1);
    layout->addLayout(bottom);

    groupGrid_->showGroups(groups_);
    castGrid_->showDevices(rows_, text(IDS_LOCATION_LOCAL), text(IDS_LOCATION_BOOK));
    callGrid_->showDevices(rows_, text(IDS_LOCATION_LOCAL), text(IDS_LOCATION_BOOK));

    for (const auto& b : bookList_)
        books_->addItem(QString::fromStdString(b.name));
    connect(books_, &QComboBox::currentIndexChanged, this, &AddrBookDownloadDlg::showBook);
    if (!bookList_.empty())
        showBook(0);
    // Only call stations take address books.
    for (const auto& d : rows_) {
        if (!d.online || !isCallStation(d.info))
            continue;
        const std::uint32_t a = d.info.ip();
        devices_->addItem(QStringLiteral("%1#%2#%3.%4.%5.%6")
                              .arg(shownText(d.info.devName()))
                              .arg(d.info.devNo())
                              .arg(a & 0xFF)
                              .arg((a >> 8) & 0xFF)
                              .arg((a >> 16) & 0xFF)
                              .arg(a >> 24));
        online_.push_back(d.item);
    }

    connect(delete_, &QPushButton::clicked, this, &AddrBookDownloadDlg::deleteBook);
    connect(download_, &QPushButton::clicked, this, &AddrBookDownloadDlg::downloadBook);
    connect(clear_, &QPushButton::clicked, this, &AddrBookDownloadDlg::clearBook);
    resize(760, 520);
}

AddrBook_Type* AddrBookDownloadDlg::currentBook()
{
    if (current_ < 0 || current_ >= static_cast<int>(bookList_.size()))
        return nullptr;
    return &bookList_[static_cast<std::size_t>(current_)];
}

DeviceItemPtr AddrBookDownloadDlg::currentDevice() const
{
    const int i = devices_->currentIndex();
    return i >= 0 && i < static_cast<int>(online_.size()) ? online_[static_cast<std::size_t>(i)] : nullptr;
}

void AddrBookDownloadDlg::showBook(int index)
{
    current_ = index;
    AddrBook_Type* book = currentBook();
    if (!book)
        return;
    // Names the book took from groups and devices that were renamed since.
    if (refreshBookNames(*book, groups_, recordsOf(rows_)))
        changed_ = true;
    groupGrid_->tickFrom(book->groups);
    castGrid_->tickFrom(book->broadcast);
    callGrid_->tickFrom(book->intercom);
}

void AddrBookDownloadDlg::rebuildBook()
{
    AddrBook_Type* book = currentBook();
    if (!book)
        return;
    book->groups = groupGrid_->tickedEntries();
    book->broadcast = castGrid_->tickedEntries();
    book->intercom = callGrid_->tickedEntries();
    changed_ = true;
}

void AddrBookDownloadDlg::deleteBook()
{
    AddrBook_Type* book = currentBook();
    if (!book)
        return;
    const QString name = QString::fromStdString(book->name);
    QMessageBox ask(QMessageBox::Question, tr("Aulira"),
                    stored(IDS_BOOK_CONFIRM_DELETE) + QLatin1Char('"') + name + QStringLiteral("\"?"),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    ask.setObjectName(QStringLiteral("bookDeleteQuestion"));
    if (ask.exec() != QMessageBox::Ok)
        return;
    const int at = current_;
    bookList_.erase(bookList_.begin() + at);
    current_ = -1;
    {
        const QSignalBlocker quiet(books_);
        books_->removeItem(at);
        books_->setCurrentIndex(books_->count() ? std::min(at, books_->count() - 1) : -1);
    }
    if (books_->count())
        showBook(books_->currentIndex());
    changed_ = true;
    OutputLog("%s \"%s\" %s.", stringText(IDS_BOOK_DELETE), name.toStdString().c_str(), stringText(IDS_COMPLETE));
}

void AddrBookDownloadDlg::downloadBook()
{
    AddrBook_Type* book = currentBook();
    const DeviceItemPtr target = currentDevice();
    if (const int refusal = checkBookDownload(book, target != nullptr)) {
        showWarningText(this, refusal);
        return;
    }
    // The worker gets copies; the station is asked afterwards whether it is still there.
    postDownloadAddrBook(worker_, list_, target, *book, true);
    pending_.push_back({true, QString::fromStdString(book->name), devices_->currentText()});
    setStatus(tr("Downloading the address book \"%1\" into %2…").arg(pending_.back().book, pending_.back().station),
              false);
    setBusy(true);
}

void AddrBookDownloadDlg::clearBook()
{
    const DeviceItemPtr target = currentDevice();
    if (!target) {
        showWarningText(this, IDS_BOOK_NO_DEVICE_SELECTED);
        return;
    }
    postClearAddrBook(worker_, list_, target, true);
    pending_.push_back({false, {}, devices_->currentText()});
    setStatus(tr("Clearing the address book of %1…").arg(pending_.back().station), false);
    setBusy(true);
}

void AddrBookDownloadDlg::transferDone(bool download, int result)
{
    if (pending_.empty())
        return; // not one of this dialog's
    const Transfer done = pending_.front();
    pending_.pop_front();
    if (pending_.empty())
        setBusy(false);
    if (done.download != download)
        OutputLog("Address book transfers finished out of order.");
    const QString why = QString::fromStdString(bookResultText(result));
    if (result == RES_OK) {
        // Stations acknowledge no address book: what is known is that every
        // packet went out and the station answered afterwards. That is all
        // the box says, as information, not as a success or a fault.
        const QString note =
            tr("%1 answered after the transfer; that it took the book is not confirmed.").arg(done.station);
        const QString sent = download ? tr("Address book \"%1\" to %2: sent; stations do not confirm.")
                                            .arg(done.book, done.station)
                                      : tr("Clearing the address book of %1: sent; stations do not confirm.")
                                            .arg(done.station);
        setStatus(sent + QLatin1Char(' ') + note, false);
        boxLater(this, QMessageBox::Information, sent, note);
        return;
    }
    QString failure;
    if (result == RES_BOOK_STATION_SILENT)
        failure = download ? tr("The address book \"%1\" was sent to %2, but the station did not answer afterwards.")
                                 .arg(done.book, done.station)
                           : tr("The clearing was sent to %1, but the station did not answer afterwards.")
                                 .arg(done.station);
    else
        failure = download ? tr("The address book \"%1\" was not downloaded into %2: %3.")
                                 .arg(done.book, done.station, why)
                           : tr("The address book of %1 was not cleared: %2.").arg(done.station, why);
    setStatus(failure, true);
    boxLater(this, QMessageBox::Warning, failure, tr("See the operation records for the details."));
}

void AddrBookDownloadDlg::setBusy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{delete_, books_, download_, devices_, groupGrid_, castGrid_,
                                                      callGrid_})
        w->setEnabled(!busy);
    progress_->setVisible(busy);
}

void AddrBookDownloadDlg::setStatus(const QString& line, bool failed)
{
    status_->setText(line);
    status_->setStyleSheet(failed ? QStringLiteral("color: #b00020;") : QString());
}

bool AddrBookDownloadDlg::refuseClose()
{
    if (!busy())
        return false;
    showWarningText(this, IDS_BOOK_BUSY);
    return true;
}

// The window's close box, Escape and the Close button all come here: while
// a transfer runs, its result must find the dialog.
void AddrBookDownloadDlg::reject()
{
    if (!refuseClose())
        QDialog::reject();
}

} // namespace aulira::app
