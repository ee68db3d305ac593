#include "devices/DeviceListExport.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include <filesystem>

#include "common/UserSettings.h"
#include "devices/DeviceView.h"
#include "util/Csv.h"

namespace aulira::app {

namespace {
constexpr const char* kExportFolderKey = "deviceList/exportFolder";
} // namespace

QString writeDeviceListCsv(const DeviceView* view, const QString& fileName, int* rowCount)
{
    const auto* model = view->model();
    const auto* header = view->horizontalHeader();
    // Columns in the order shown, as the person moved them.
    std::vector<int> columns;
    for (int v = 0; v < header->count(); ++v)
        if (const int c = header->logicalIndex(v); !header->isSectionHidden(c))
            columns.push_back(c);
    CsvRow titles;
    for (int c : columns)
        titles.push_back(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    // The model holds the rows in the order shown; the filter hides rows.
    std::vector<CsvRow> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (view->isRowHidden(r))
            continue;
        CsvRow row;
        for (int c : columns)
            row.push_back(model->index(r, c).data(Qt::DisplayRole).toString().toStdString());
        rows.push_back(std::move(row));
    }
    std::string why;
    // Wide characters keep every file name Windows allows.
    if (!writeCsvFile(std::filesystem::path(fileName.toStdWString()), titles, rows, &why))
        return QString::fromStdString(why);
    if (rowCount)
        *rowCount = static_cast<int>(rows.size());
    return {};
}

int exportDeviceList(DeviceView* view)
{
    QFileDialog dialog(view->window(), QObject::tr("Export device list"));
    dialog.setObjectName(QStringLiteral("exportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QObject::tr("CSV files (*.csv)"), QObject::tr("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // Where the last export went, while that folder is there; else the documents.
    QSettings& settings = UserSettings::get();
    QString folder = settings.value(QLatin1String(kExportFolderKey)).toString();
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    dialog.selectFile(QStringLiteral("devices.csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return -1;
    const QString fileName = dialog.selectedFiles().constFirst();
    settings.setValue(QLatin1String(kExportFolderKey), QFileInfo(fileName).absolutePath());
    int rows = 0;
    if (const QString why = writeDeviceListCsv(view, fileName, &rows); !why.isEmpty()) {
        QMessageBox::warning(view->window(), QObject::tr("Aulira"),
                             QObject::tr("The device list could not be exported to %1: %2")
                                 .arg(QDir::toNativeSeparators(fileName), why));
        return -1;
    }
    emit view->statusMessage(QObject::tr("Device list exported to %2 (%1 rows).").arg(rows).arg(QDir::toNativeSeparators(fileName)));
    return rows;
}

} // namespace aulira::app
