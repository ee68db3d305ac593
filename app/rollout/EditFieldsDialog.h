#pragma once
// "Edit selected devices": the fields to give every selected device, chosen
// by page and field as the settings sheet names them, each with the value
// typed as auctl's `params set` takes it. A value is checked as it is added;
// "Review…" goes on once at least one field is chosen.
#include <QDialog>

#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace aulira::app {

class EditFieldsDialog : public QDialog {
    Q_OBJECT
public:
    explicit EditFieldsDialog(int deviceCount, QWidget* parent = nullptr);

    // field name → value, in the order added.
    std::vector<std::pair<std::string, std::string>> assignments() const { return assignments_; }

    QComboBox* pageBox() const { return page_; }
    QComboBox* fieldBox() const { return field_; }
    QLineEdit* valueEdit() const { return value_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* reviewButton() const { return review_; }
    QTreeWidget* chosen() const { return chosen_; }

public slots:
    void addField();
    void removeField();

private:
    void fillFields();
    void updateHint();
    void updateButtons();

    QComboBox* page_;
    QComboBox* field_;
    QLineEdit* value_;
    QLabel* hint_;
    QLabel* error_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* review_;
    QTreeWidget* chosen_;
    std::vector<std::pair<std::string, std::string>> assignments_;
};

} // namespace aulira::app
