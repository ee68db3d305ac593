#pragma once
// The command bar across the top of the main window: an application button
// with its menu, category tabs, and panels of large buttons. Key tips are
// Alt plus the letter a tab's or a command's text marks with '&'; a button's
// key tip is live only while its category is shown.
#include <QWidget>

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QTabWidget;
class QToolButton;
class QHBoxLayout;
class QKeySequence;

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
    // A key tip that a button's text cannot underline: the key triggers the
    // action while its category is the one shown.
    void setKeyTip(int category, const QKeySequence& key, QAction* action);
    // A small button at the right end of the tab row.
    void setCornerAction(QAction* action);
    QTabWidget* tabs() const { return tabs_; }

private:
    QTabWidget* tabs_;
    QToolButton* appButton_;
    QMenu* appMenu_;
};

} // namespace aulira::app
