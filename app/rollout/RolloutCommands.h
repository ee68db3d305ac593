#pragma once
// The site commands: commission the site from a plan file, export the site
// as a plan with every device's configuration file, and give several
// selected devices the same fields. A plan is read and checked before any
// device is touched; its errors are listed by line and column. Otherwise the
// devices' records are read, the changes reviewed device by device, and the
// ticked devices written in the run dialog.
#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "devices/DeviceItem.h"

class QWidget;

namespace aulira {
struct PlanError;
struct PlanReview;
struct SitePlan;
} // namespace aulira

namespace aulira::app {

class AppContext;

class RolloutCommands : public QObject {
    Q_OBJECT
public:
    using Selection = std::function<std::vector<DeviceItemPtr>()>;

    RolloutCommands(AppContext& context, Selection selection, QWidget* window);

    // The settings sheet's review rule: whether changes are reviewed before
    // writing, and turning it off ("Do not ask again").
    void setReviewRule(std::function<bool()> wanted, std::function<void(bool)> setWanted);

    static constexpr const char* kPlanFolderKey = "Rollout/PlanFolder";

public slots:
    void commissionFromPlan();
    void commissionFile(const QString& path);
    void exportSite();
    void exportTo(const QString& dir);
    void editSelected();

signals:
    void statusMessage(const QString& text);

private:
    // Reads the records the plan names and checks it against them (off the
    // window's thread, with a cancellable progress box). False when cancelled.
    bool review(const SitePlan& plan, PlanReview& out);
    // The review dialog (or, with the review off, every changing device),
    // then the run dialog.
    void reviewAndRun(const QString& heading, const QString& file, PlanReview& review, bool forceReview);
    bool refuseWhileSearching(const QString& what);
    void showErrors(const QString& file, const std::vector<PlanError>& errors);

    AppContext& context_;
    Selection selection_;
    QWidget* window_;
    std::function<bool()> reviewWanted_;
    std::function<void(bool)> setReviewWanted_;
};

} // namespace aulira::app
