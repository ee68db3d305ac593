#include "mainwindow/RibbonBar.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace aulira::app {

RibbonBar::RibbonBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ribbon"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("ribbonTabs"));
    tabs_->setDocumentMode(true);
    appButton_ = new QToolButton(tabs_);
    appButton_->setObjectName(QStringLiteral("applicationButton"));
    appButton_->setText(tr("&File"));
    appButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    appButton_->setPopupMode(QToolButton::InstantPopup);
    appMenu_ = new QMenu(appButton_);
    appMenu_->setObjectName(QStringLiteral("applicationMenu"));
    appButton_->setMenu(appMenu_);
    tabs_->setCornerWidget(appButton_, Qt::TopLeftCorner);
    layout->addWidget(tabs_);
}

int RibbonBar::addCategory(const QString& title)
{
    auto* page = new QWidget(tabs_);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    row->addStretch();
    return tabs_->addTab(page, title);
}

void RibbonBar::addPanel(int category, const QString& title, const QList<QAction*>& actions)
{
    QWidget* page = tabs_->widget(category);
    auto* row = static_cast<QHBoxLayout*>(page->layout());

    auto* panel = new QFrame(page);
    panel->setObjectName(QStringLiteral("panel_") + title);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(4, 2, 4, 2);
    v->setSpacing(1);
    auto* buttons = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    for (QAction* a : actions) {
        if (!a) {
            auto* line = new QFrame(panel);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            buttons->addWidget(line);
            continue;
        }
        if (a->isCheckable()) {
            auto* box = new QCheckBox(a->text(), panel);
            box->setObjectName(a->objectName() + QStringLiteral("Check"));
            box->setChecked(a->isChecked());
            box->setToolTip(a->toolTip());
            connect(box, &QCheckBox::toggled, a, &QAction::setChecked);
            connect(a, &QAction::toggled, box, &QCheckBox::setChecked);
            checks->addWidget(box);
            continue;
        }
        auto* b = new QToolButton(panel);
        b->setDefaultAction(a);
        b->setObjectName(a->objectName() + QStringLiteral("Button"));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIconSize(QSize(32, 32));
        b->setAutoRaise(true);
        b->setMinimumWidth(56);
        buttons->addWidget(b);
        // A tool button drops the action's '&', so its key tip is made here.
        const QKeySequence tip = QKeySequence::mnemonic(a->text());
        if (!tip.isEmpty())
            setKeyTip(category, tip, a);
    }
    if (checks->count())
        buttons->addLayout(checks);
    v->addLayout(buttons);
    auto* label = new QLabel(title, panel);
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false); // panel captions are drawn subdued
    v->addWidget(label);
    row->insertWidget(row->count() - 1, panel);
}

void RibbonBar::setKeyTip(int category, const QKeySequence& key, QAction* action)
{
    // A shortcut is live only while its parent is visible, so one owned by the
    // category's page cannot collide with the same key on another category.
    auto* shortcut = new QShortcut(key, tabs_->widget(category));
    connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
}

void RibbonBar::setCornerAction(QAction* action)
{
    auto* b = new QToolButton(tabs_);
    b->setObjectName(action->objectName() + QStringLiteral("Corner"));
    b->setDefaultAction(action);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setAutoRaise(true);
    tabs_->setCornerWidget(b, Qt::TopRightCorner);
}

} // namespace aulira::app
