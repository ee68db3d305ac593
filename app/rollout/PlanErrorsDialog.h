#pragma once
// What is wrong with a plan, one row per problem with its line and column,
// shown instead of the review: a plan with any error sends nothing.
#include <QDialog>

#include <vector>

class QTreeWidget;

namespace aulira::app {

struct PlanProblemRow {
    int line = 0;   // 1-based line of the file; 0 for the file as a whole
    int column = 0; // 1-based column; 0 for the whole row
    QString columnName;
    QString text;
};

class PlanErrorsDialog : public QDialog {
    Q_OBJECT
public:
    PlanErrorsDialog(const QString& file, const std::vector<PlanProblemRow>& problems, QWidget* parent = nullptr);

    QTreeWidget* problems() const { return problems_; }

private:
    QTreeWidget* problems_;
};

} // namespace aulira::app
