#pragma once
// "Export device list…": the rows of the device list as shown (the filter
// and the sort applied) with the visible columns under their header texts,
// written to a CSV file that a spreadsheet opens as it is.
#include <QString>

namespace aulira::app {

class DeviceView;

// Asks for the file, writes it and says how it went (a message box when it
// could not be written). Returns the number of rows written, -1 when nothing
// was written.
int exportDeviceList(DeviceView* view);

// The writing alone, to `fileName`. Returns an error text, empty on success.
QString writeDeviceListCsv(const DeviceView* view, const QString& fileName, int* rows = nullptr);

} // namespace aulira::app
