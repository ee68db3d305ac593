#include "common/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <algorithm>
#include <utility>

#include "shell/Strings.h"

namespace aulira::app {

QString boxText(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    QString out = text.left(end);
    // A few stored English texts end in full-width marks ("NO！"): shown in
    // English, they read as ASCII. Texts with Chinese in them keep theirs.
    const bool chinese = std::any_of(out.cbegin(), out.cend(), [](QChar c) {
        return c.unicode() >= 0x3400 && c.unicode() <= 0x9FFF;
    });
    if (!chinese)
        for (auto [wide, ascii] : {std::pair{u'\uFF01', u'!'}, std::pair{u'\uFF1A', u':'}, std::pair{u'\uFF0C', u','}})
            out.replace(QChar(wide), QChar(ascii));
    return out;
}

void showWarning(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("aulira::app::MessageBox", "Aulira"),
                    boxText(text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("warningBox"));
    box.exec();
}

void showWarningText(QWidget* parent, int stringId)
{
    // The string table is translated by the core's catalog.
    showWarning(parent, QString::fromUtf8(stringText(stringId)));
}

} // namespace aulira::app
