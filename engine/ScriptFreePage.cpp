#include "engine/ScriptFreePage.h"

#include "engine/ScriptMarkup.h"
#include "platform/RegularFile.h"

#include <QByteArray>

namespace {

// A page longer than this is taken for one with scripts: the check runs on the window's thread.
constexpr qint64 checkedBytesLimit = 2 << 20;

// A script element anywhere (in a comment too: being wrong that way costs only time); tags
// that load another document, whose own scripts the bytes here do not show, or whose contents
// the parsed document alone tells (a template's); and XSLT, which may write scripts of its own.
const char *const runnableMarkers[] = {"<script", "<template", "<iframe", "<frame",
                                       "<object", "<embed",    "<portal", "<?xml-stylesheet"};

} // namespace

bool isScriptFreePage(const QString &absolutePath)
{
    const RegularFileRead read = readRegularFile(absolutePath, checkedBytesLimit);
    const QByteArray &bytes = read.bytes;
    // UTF-16 and UTF-32 hide every tag from a scan of bytes, and they carry zero bytes.
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    const QByteArray lowered = bytes.toLower();
    for (const char *marker : runnableMarkers) {
        if (lowered.contains(marker))
            return false;
    }
    return !pageBytesCarryScriptOutsideElements(bytes);
}
