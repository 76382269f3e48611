#pragma once

#include <QCursor>

class QString;
class QWidget;

// Shows a pointer code on a widget; custom is the picture used for CustomPointer.
void showPointer(QWidget &widget, int code, const QCursor &custom);

// Reads a pointer picture (.cur or .ico) from a file; false when it cannot be read.
bool loadPointerPicture(const QString &path, QCursor &picture);
