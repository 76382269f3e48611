#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxes::inform(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillmere"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}
