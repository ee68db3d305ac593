#include "devices/SearchProgressDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "shell/Strings.h"

namespace aulira::app {

SearchProgressDialog::SearchProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("searchProgressDialog"));
    setWindowTitle(QString::fromStdString(oneLine(tr("Please wait\n\n...").toStdString())));
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint
                   & ~Qt::WindowContextHelpButtonHint);
    auto* label = new QLabel(tr("Searching for all audio devices in the local area network..."), this);
    label->setObjectName(QStringLiteral("searchProgressText"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("searchProgressBar"));
    bar_->setRange(0, kRange);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(bar_);
}

void SearchProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget()) {
        // Centred on the view it belongs to.
        const QPoint centre = parentWidget()->mapToGlobal(parentWidget()->rect().center());
        move(centre - rect().center());
    }
    position_ = 0;
    bar_->setValue(0);
    timer_.start(kTickMs, this);
}

void SearchProgressDialog::hideEvent(QHideEvent* event)
{
    timer_.stop();
    QDialog::hideEvent(event);
}

void SearchProgressDialog::closeEvent(QCloseEvent* event) { event->ignore(); }

void SearchProgressDialog::reject() {}

void SearchProgressDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timer_.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    // The position runs past the range and then stops; the bar shows it full.
    if (position_ < 3000)
        position_ += kStep;
    bar_->setValue(std::min(position_, kRange));
}

} // namespace aulira::app
