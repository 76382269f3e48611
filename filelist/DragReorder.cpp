#include "filelist/DragReorder.h"

#include "filelist/FileListModel.h"

namespace {

// Rows of the screen itself, in device-independent pixels from its top; they do not follow the
// window. Above the first the list reveals the item before the dragged one, from the second on
// the item after it, so that dragging towards an edge keeps the list moving.
constexpr int revealPreviousAboveRow = 305;
constexpr int revealNextFromRow = 365;

} // namespace

int exchangeDraggedPath(FileListModel &list, int draggedPosition, int targetPosition)
{
    if (draggedPosition == 0 || targetPosition == 0)
        return 0;
    // Equal texts: the pointer is still on the dragged item, or on another copy of the same
    // path. Exchanging would change nothing, and moving the selection would only flicker.
    if (list.text(draggedPosition) == list.text(targetPosition))
        return 0;
    list.exchange(draggedPosition, targetPosition);
    return targetPosition;
}

int edgeScrollNeighbour(int screenY, int position, int count)
{
    if (screenY < revealPreviousAboveRow)
        return position > 1 ? position - 1 : 0;
    if (screenY >= revealNextFromRow)
        return position < count ? position + 1 : 0;
    return 0;
}
