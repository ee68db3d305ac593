#pragma once
// The main window: the command bar, the device list in the middle, the
// operation records at the bottom and the device properties on the right,
// and the status bar.
#include <QMainWindow>

#include <thread>
#include <vector>

class QAction;
class QDockWidget;
class QLabel;
class QLineEdit;
class QTimer;

namespace aulira::app {

class AppContext;
class DeviceView;
class LogPane;
class PropertiesPane;
class RibbonBar;
class SettingsSheet;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Starts the first search a moment after the window is shown.
    void start();

    DeviceView* deviceView() const { return view_; }
    SettingsSheet* settingsSheet() const { return sheet_; }
    LogPane* logPane() const { return log_; }
    PropertiesPane* propertiesPane() const { return properties_; }
    QDockWidget* logDock() const { return logDock_; }
    QDockWidget* propertiesDock() const { return propertiesDock_; }
    QAction* action(const QString& objectName) const;
    QLineEdit* filterEdit() const { return filter_; }

    // Per-user settings keys of the window's layout.
    static constexpr const char* kGeometryKey = "mainWindow/geometry";
    static constexpr const char* kStateKey = "mainWindow/state";
    static constexpr const char* kHeaderKey = "deviceList/header";
    static constexpr const char* kSortColumnKey = "deviceList/sortColumn";
    static constexpr const char* kSortAscendingKey = "deviceList/sortAscending";

    // The support address the contact command writes to.
    static QString supportAddress();

public slots:
    void about();
    void contactSupport();
    void synchronizeTime();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void restoreLayout();
    void saveLayout() const;
    void updateCounts();
    void setActivity(const QString& text);
    QAction* makeAction(const QString& name, const QString& text, const QString& icon, const QString& tip);
    void buildCommands();
    void openUpgradeDialog(bool screen);

    AppContext& context_;
    RibbonBar* ribbon_ = nullptr;
    DeviceView* view_ = nullptr;
    SettingsSheet* sheet_ = nullptr;
    LogPane* log_ = nullptr;
    PropertiesPane* properties_ = nullptr;
    QDockWidget* logDock_ = nullptr;
    QDockWidget* propertiesDock_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* activity_ = nullptr;
    QLabel* counts_ = nullptr;
    QTimer* countTimer_ = nullptr;
    std::vector<std::thread> timeSync_;
};

} // namespace aulira::app
