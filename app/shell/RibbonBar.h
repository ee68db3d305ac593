#pragma once
// The command bar across the top of the main window: an application button
// with its menu, category tabs, and panels of large buttons. Key tips are
// mnemonics: Alt plus the underlined letter of a tab or of a visible button.
#include <QWidget>

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QTabWidget;
class QToolButton;
class QHBoxLayout;

namespace aulira::app {

class RibbonBar : public QWidget {
    Q_OBJECT
public:
    explicit RibbonBar(QWidget* parent = nullptr);

    // A category tab ("&Home"); returns its index.
    int addCategory(const QString& title);
    // A titled panel of large buttons on a category; checkable actions show
    // as check boxes, the way view switches are shown.
    void addPanel(int category, const QString& title, const QList<QAction*>& actions);
    QMenu* applicationMenu() const { return appMenu_; }
    QToolButton* applicationButton() const { return appButton_; }
    // A small button at the right end of the tab row.
    void setCornerAction(QAction* action);
    QTabWidget* tabs() const { return tabs_; }

private:
    QTabWidget* tabs_;
    QToolButton* appButton_;
    QMenu* appMenu_;
};

} // namespace aulira::app
