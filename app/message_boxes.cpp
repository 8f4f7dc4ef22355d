#include "app/message_boxes.h"

#include <QMessageBox>

namespace palshift {

void QtMessageBoxes::showFailure(const QString& message)
{
    QMessageBox::warning(parent_, QStringLiteral("Palshift"), message);
}

bool QtMessageBoxes::confirmReplace(const QString& file)
{
    return QMessageBox::question(parent_, QStringLiteral("Palshift"),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(file),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

}  // namespace palshift
