#include "platform/QtMessageBoxes.h"

#include "platform/StrayInputFilter.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxes::inform(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillmere"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    // The failure lines name files, which the user may want to copy.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const StrayInputFilter strayInput(box);
    box.exec();
}
