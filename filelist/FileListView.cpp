#include "filelist/FileListView.h"

#include "filelist/DroppedFiles.h"
#include "filelist/FileListModel.h"
#include "platform/PointerCursor.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

FileListView::FileListView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Items are reordered by the window's own exchange logic, never by the view's drag.
    setDragEnabled(false);
    // Only an explicit ensureVisible() scrolls: selecting must not, and neither must dragging.
    setAutoScroll(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A widened column runs past the right edge and the list scrolls sideways to show it.
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(false);
}

void FileListView::setFileList(FileListModel *model)
{
    setModel(model);
}

FileListModel *FileListView::fileList() const
{
    return static_cast<FileListModel *>(model());
}

QPersistentModelIndex FileListView::selectedItem() const
{
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedRows()
                                                      : QModelIndexList();
    return selected.isEmpty() ? QPersistentModelIndex() : QPersistentModelIndex(selected.first());
}

int FileListView::positionOf(const QPersistentModelIndex &item)
{
    return item.isValid() ? item.row() + 1 : 0;
}

void FileListView::select(int position)
{
    const QModelIndex item = model()->index(position - 1, 0);
    if (!item.isValid())
        return;
    selectionModel()->setCurrentIndex(
        item, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FileListView::ensureVisible(int position)
{
    const QModelIndex item = model()->index(position - 1, 0);
    if (item.isValid())
        scrollTo(item, QAbstractItemView::EnsureVisible);
}

int FileListView::hitTest(const QPoint &viewportPos) const
{
    // While a button is held the pointer keeps reporting beyond the list's edges, where
    // indexAt() would still name rows that are scrolled out of sight; nothing is under it there.
    if (!viewport()->rect().contains(viewportPos))
        return 0;
    const QModelIndex item = indexAt(viewportPos);
    return item.isValid() ? item.row() + 1 : 0;
}

int FileListView::mousePointer() const
{
    return m_mousePointer;
}

void FileListView::setMousePointer(int code)
{
    m_mousePointer = code;
    showPointer(*viewport(), code, m_mouseIcon);
}

QCursor FileListView::mouseIcon() const
{
    return m_mouseIcon;
}

void FileListView::setMouseIcon(const QCursor &picture)
{
    m_mouseIcon = picture;
    setMousePointer(m_mousePointer);
}

void FileListView::mousePressEvent(QMouseEvent *event)
{
    // Qt would report the click on release; the window wants it as soon as the press has
    // selected an item, so that pressing on an item and dragging moves it at once.
    QTreeView::mousePressEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit itemClicked();
    emit mouseDown();
}

void FileListView::mouseMoveEvent(QMouseEvent *event)
{
    // With a button held the view would extend the selection or scroll by itself, which
    // would fight the window's exchange of items; only plain hovering goes to the view.
    if (event->buttons() == Qt::NoButton)
        QTreeView::mouseMoveEvent(event);
    emit mouseMoved(event->position().toPoint());
}

void FileListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    emit mouseUp();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    emit doubleClickedAnywhere();
}

void FileListView::keyPressEvent(QKeyEvent *event)
{
    // Scrolling does not follow the current item by itself (dragging must not scroll), so
    // moving through the list with the keys brings the new item into view here.
    QTreeView::keyPressEvent(event);
    scrollTo(currentIndex());
}

QItemSelectionModel::SelectionFlags FileListView::selectionCommand(const QModelIndex &index,
                                                                   const QEvent *event) const
{
    // A press on an item always selects it: Ctrl would otherwise take the selection away and
    // leave a drag that follows it with nothing to move.
    if (index.isValid() && event && event->type() == QEvent::MouseButtonPress)
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return QTreeView::selectionCommand(index, event);
}

void FileListView::dragEnterEvent(QDragEnterEvent *event)
{
    answerDrag(event);
}

void FileListView::dragMoveEvent(QDragMoveEvent *event)
{
    answerDrag(event);
}

void FileListView::dropEvent(QDropEvent *event)
{
    answerDrag(event);
    if (event->isAccepted())
        emit filesDropped(droppedLocalFiles(*event->mimeData()));
}

bool FileListView::takesDrop(const QDropEvent &event) const
{
    return acceptDrops() && event.possibleActions().testFlag(Qt::CopyAction)
        && !droppedLocalFiles(*event.mimeData()).isEmpty();
}

void FileListView::answerDrag(QDropEvent *event)
{
    if (!takesDrop(*event)) {
        event->ignore();
        return;
    }
    // The list only takes note of the paths. Reporting a move would tell the program the
    // files came from that the drop took them over, and it may delete its originals.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
