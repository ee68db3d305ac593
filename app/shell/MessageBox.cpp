#include "shell/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "shell/Strings.h"

namespace aulira::app {

void showWarning(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("aulira::app::MessageBox", "Aulira"), text,
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("warningBox"));
    box.exec();
}

void showWarningText(QWidget* parent, int stringId)
{
    showWarning(parent, QCoreApplication::translate("aulira::app::Strings", stringText(stringId)));
}

} // namespace aulira::app
