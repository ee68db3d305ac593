#pragma once
// The question before a group download: how many online devices will be
// written and which of them lose group numbers they have now.
#include <QCoreApplication>

#include "grouping/GroupDownload.h"

class QWidget;

namespace aulira::app {

class GroupDownloadQuestion {
    Q_DECLARE_TR_FUNCTIONS(aulira::app::GroupDownloadQuestion)
public:
    // True when the person answers Yes.
    static bool ask(QWidget* parent, const GroupDownloadPlan& plan);
};

} // namespace aulira::app
