#include "mainwindow/LogPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QToolButton>
#include <QUrl>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/Log.h"
#include "shell/Strings.h"

namespace aulira::app {

LogPane::LogPane(QWidget* parent)
    : QWidget(parent), tabs_(new QTabWidget(this)), list_(new QListWidget), copy_(new QAction(this)),
      clear_(new QAction(this)), openFolder_(new QAction(this))
{
    setObjectName(QStringLiteral("logPane"));
    setWindowTitle(title());
    tabs_->setObjectName(QStringLiteral("logTabs"));
    tabs_->setDocumentMode(true);
    list_->setObjectName(QStringLiteral("logList"));
    list_->setSortingEnabled(false);
    list_->setUniformItemSizes(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    tabs_->addTab(list_, QString::fromStdString(oneLine(stringText(IDS_OUTPUT))));

    copy_->setObjectName(QStringLiteral("logCopy"));
    copy_->setText(tr("&Copy"));
    copy_->setStatusTip(tr("Copy output content to clipboard"));
    clear_->setObjectName(QStringLiteral("logClear"));
    clear_->setText(tr("C&lear"));
    clear_->setStatusTip(tr("Clear output content"));
    connect(copy_, &QAction::triggered, this, &LogPane::copyAll);
    connect(clear_, &QAction::triggered, this, &LogPane::clearAll);
    openFolder_->setObjectName(QStringLiteral("logOpenFolder"));
    openFolder_->setText(tr("Open Log &Folder"));
    openFolder_->setToolTip(tr("Open the folder of the daily log files"));
    openFolder_->setStatusTip(openFolder_->toolTip());
    connect(openFolder_, &QAction::triggered, this, &LogPane::openLogFolder);
    list_->addAction(copy_);
    list_->addAction(clear_);
    list_->addAction(openFolder_);
    // Also a button beside the tab, reached with Tab like every other control.
    auto* openButton = new QToolButton(tabs_);
    openButton->setObjectName(QStringLiteral("logOpenFolderButton"));
    openButton->setDefaultAction(openFolder_);
    openButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    openButton->setAutoRaise(true);
    openButton->setFocusPolicy(Qt::StrongFocus);
    openButton->setAccessibleName(tr("Open log folder"));
    tabs_->setCornerWidget(openButton, Qt::TopRightCorner);
    connect(list_, &QListWidget::customContextMenuRequested, this, &LogPane::showMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    // The sink runs on the writer's thread: it only posts the text to this
    // object, so the list is touched on the UI thread alone. Posting (not
    // waiting) keeps a writer that the UI thread waits for from deadlocking.
    subscription_ = std::make_unique<LogSubscription>([this](const std::string& line) {
        const QString text = QString::fromStdString(line);
        QMetaObject::invokeMethod(this, [this, text] { appendLine(text); }, Qt::QueuedConnection);
    });
}

LogPane::~LogPane()
{
    // Unsubscribe first: afterwards no sink call can post to a dying object.
    subscription_.reset();
}

QString LogPane::title()
{
    return tr("Operation Records");
}

QStringList LogPane::lines() const
{
    QStringList out;
    out.reserve(list_->count());
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

void LogPane::appendLine(const QString& line)
{
    // One line is one row: line feeds some table texts end in are not shown.
    QString row = line;
    row.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    list_->addItem(row);
    list_->setCurrentRow(list_->count() - 1);
    list_->scrollToBottom();
    // Rather than trimming, a full log starts over, the new line included.
    if (list_->count() > kMaxLines)
        list_->clear();
}

void LogPane::copyAll()
{
    QString text;
    for (int i = 0; i < list_->count(); ++i) {
        text += list_->item(i)->text();
        text += QLatin1Char('\n');
    }
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void LogPane::clearAll()
{
    list_->clear();
}

void LogPane::openLogFolder()
{
    const bool ok = !folder_.isEmpty() && QDir().mkpath(folder_) &&
                    QDesktopServices::openUrl(QUrl::fromLocalFile(QDir(folder_).absolutePath()));
    if (!ok)
        QMessageBox::warning(this, tr("Aulira"),
                             tr("The log folder %1 could not be opened.").arg(QDir::toNativeSeparators(folder_)));
}

void LogPane::showMenu(const QPoint& pos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("logMenu"));
    menu.addAction(copy_);
    menu.addAction(clear_);
    menu.addSeparator();
    menu.addAction(openFolder_);
    menu.exec(list_->viewport()->mapToGlobal(pos));
    list_->setFocus();
}

} // namespace aulira::app
