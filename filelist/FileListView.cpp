#include "filelist/FileListView.h"

#include "filelist/DroppedFiles.h"
#include "filelist/FileListModel.h"
#include "platform/PointerCursor.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>

FileListView::FileListView(QWidget *parent)
    : QTreeView(parent)
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
    selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect
                                                | QItemSelectionModel::Rows);
}

void FileListView::ensureVisible(int position)
{
    const QModelIndex item = model()->index(position - 1, 0);
    if (item.isValid())
        scrollTo(item, QAbstractItemView::EnsureVisible);
}

int FileListView::hitTest(const QPoint &viewportPos) const
{
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

void FileListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptDrops() && !droppedLocalFiles(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptDrops() && !droppedLocalFiles(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedLocalFiles(*event->mimeData());
    if (!acceptDrops() || paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}
