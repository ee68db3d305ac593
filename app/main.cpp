// auct: the desktop application.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "devices/DeviceView.h"
#include "shell/AppContext.h"
#include "shell/MainWindow.h"
#include "shell/Resources.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Aulira"));
    QApplication::setApplicationName(QStringLiteral("AUCT"));
    QApplication::setApplicationVersion(QStringLiteral("3.5.12"));
    aulira::app::initResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));

    const auto options = aulira::app::StartupOptions::parse(QApplication::arguments());
    if (!options.error.isEmpty()) {
        QMessageBox::warning(nullptr, QObject::tr("Aulira"), options.error);
        return 2;
    }
    aulira::app::AppContext context;
    if (const auto error = context.open(options); !error.empty()) {
        QMessageBox::warning(nullptr, QObject::tr("Aulira"), QString::fromStdString(error));
        return 1;
    }
    aulira::app::MainWindow window(context);
    window.show();
    window.deviceView()->start();
    context.manager().startStatusPoll();
    return app.exec();
}
