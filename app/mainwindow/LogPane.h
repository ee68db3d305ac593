#pragma once
// Content of the "Operation Records" pane: one list line per log line, exactly
// as written, fed from the core log. Lines arrive from any thread and are
// appended on the UI thread; the pane keeps logging while its dock is hidden.
#include <QWidget>

#include <memory>
#include <string>

class QAction;
class QListWidget;
class QTabWidget;

namespace aulira {
class LogSubscription;
}

namespace aulira::app {

class LogPane : public QWidget {
    Q_OBJECT
public:
    // The list never holds more: the line that would make it 2001 empties it.
    static constexpr int kMaxLines = 2000;

    explicit LogPane(QWidget* parent = nullptr);
    ~LogPane() override;

    // Title for the dock that carries the pane.
    static QString title();

    QListWidget* list() const { return list_; }
    QAction* copyAction() const { return copy_; }
    QAction* clearAction() const { return clear_; }
    QAction* openFolderAction() const { return openFolder_; }
    // Where the daily log files are (the data folder's logs/).
    void setLogFolder(const QString& folder) { folder_ = folder; }
    QStringList lines() const;

public slots:
    // UI thread only; other threads go through the log.
    void appendLine(const QString& line);
    // All lines, each followed by a line break; an empty log leaves the clipboard alone.
    void copyAll();
    void clearAll();
    // Opens the log folder in the file manager (creating it when no line
    // was written yet); says so when it cannot.
    void openLogFolder();

private:
    void showMenu(const QPoint& pos);

    QTabWidget* tabs_;
    QListWidget* list_;
    QAction* copy_;
    QAction* clear_;
    QAction* openFolder_;
    QString folder_;
    std::unique_ptr<LogSubscription> subscription_;
};

} // namespace aulira::app
