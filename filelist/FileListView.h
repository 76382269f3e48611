#pragma once

#include <QCursor>
#include <QPersistentModelIndex>
#include <QTreeView>

class FileListModel;

// The file list as the user sees it: one column of full paths under the header
// "HTML File(s)". It adds the list operations the window's handlers use (1-based positions,
// hit test, its own pointer code) and reports the pointer gestures the window reacts to.
class FileListView : public QTreeView
{
    Q_OBJECT

public:
    explicit FileListView(QWidget *parent = nullptr);

    void setFileList(FileListModel *model);
    FileListModel *fileList() const;

    // The selected item as a reference that follows it when rows above it go, and becomes
    // invalid when the item itself is removed.
    QPersistentModelIndex selectedItem() const;
    static int positionOf(const QPersistentModelIndex &item); // 0 when it refers to nothing
    void select(int position);
    void ensureVisible(int position);
    int hitTest(const QPoint &viewportPos) const; // 0 over empty space

    int mousePointer() const;
    void setMousePointer(int code);
    QCursor mouseIcon() const;
    void setMouseIcon(const QCursor &picture);

signals:
    void itemClicked();
    void mouseDown();
    void mouseMoved(const QPoint &viewportPos);
    void mouseUp();
    void doubleClickedAnywhere();
    void filesDropped(const QStringList &paths);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Drops are taken while the list accepts them, when they carry local files only and the
    // dragging program lets them be copied.
    bool takesDrop(const QDropEvent &event) const;
    void answerDrag(QDropEvent *event);

    int m_mousePointer = 0;
    QCursor m_mouseIcon;
};
