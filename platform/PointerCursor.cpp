#include "platform/PointerCursor.h"

#include "platform/PointerCode.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QString>
#include <QWidget>

void showPointer(QWidget &widget, int code, const QCursor &custom)
{
    switch (code) {
    case ArrowPointer:
        widget.setCursor(Qt::ArrowCursor);
        break;
    case HourglassPointer:
        widget.setCursor(Qt::WaitCursor);
        break;
    case CustomPointer:
        widget.setCursor(custom);
        break;
    default:
        widget.unsetCursor();
        break;
    }
}

namespace {

// A .cur file keeps its first image's hot spot where an .ico keeps planes and bit count.
QPoint hotSpotOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray header = file.read(14);
    const auto word = [&header](int offset) {
        return int(uchar(header[offset])) | int(uchar(header[offset + 1])) << 8;
    };
    constexpr int cursorType = 2;
    if (header.size() < 14 || word(0) != 0 || word(2) != cursorType)
        return {};
    return {word(10), word(12)};
}

} // namespace

bool loadPointerPicture(const QString &path, QCursor &picture)
{
    // Qt's ico plug-in reads both icons and cursors; asking for "ico" explicitly lets a .cur
    // file through, which the plug-in would not pick by its suffix alone.
    QImageReader reader(path, "ico");
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    const QPoint hotSpot = hotSpotOf(path);
    picture = QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
    return true;
}
