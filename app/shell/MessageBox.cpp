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
    // The string table is translated by the core's catalog.
    showWarning(parent, QString::fromUtf8(stringText(stringId)));
}

} // namespace aulira::app
