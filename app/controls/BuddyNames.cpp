#include "controls/BuddyNames.h"

#include <QLabel>

namespace aulira::app {

namespace {

QString nameOf(const QLabel* label)
{
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A)))
        name.chop(1);
    return name.trimmed(); // "Sixth Group :" names "Sixth Group"
}

} // namespace

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(nameOf(label));
    return label;
}

void nameBuddies(QWidget* root)
{
    for (const QLabel* label : root->findChildren<QLabel*>())
        if (QWidget* buddy = label->buddy(); buddy && buddy->accessibleName().isEmpty())
            buddy->setAccessibleName(nameOf(label));
}

} // namespace aulira::app
