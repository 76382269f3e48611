#pragma once

#include "convert/ConversionRun.h"
#include "convert/RunObserver.h"
#include "convert/TextFilesBesideInputs.h"
#include "filelist/FileListModel.h"
#include "platform/Platform.h"

#include <QCursor>
#include <QPersistentModelIndex>
#include <QWidget>

class FileListView;
class LatchingButton;
class ProgressBar;

// The program's one window: the file list, the three buttons and the progress bar. Each
// handler is named after what it does for the user.
class MainWindow : public QWidget, private RunObserver
{
    Q_OBJECT

public:
    // programFolder is where the pointer files "HAND-M.CUR" and "drag.ico" are looked for.
    MainWindow(const Platform &platform, const QString &programFolder, QWidget *parent = nullptr);

    FileListModel &fileList() { return m_fileList; }
    FileListView *listView() const { return m_listView; }
    LatchingButton *addFilesButton() const { return m_addFilesButton; }
    LatchingButton *addFolderButton() const { return m_addFolderButton; }
    LatchingButton *saveAsTextButton() const { return m_saveAsTextButton; }
    ProgressBar *progressBar() const { return m_progressBar; }

    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int code);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startUp();
    void createControls();
    void connectHandlers();

    // The three buttons, and the hand over them.
    void addFiles();
    void addFolder();
    void saveAllAsText();
    void showHandOverButton();

    // The file list.
    void removeSelectedItem();
    void appendDroppedFiles(const QStringList &paths);
    void pickUpClickedItem();
    void listButtonPressed();
    void dragItemAlong(const QPoint &pos);
    void listButtonReleased();

    // The run under way.
    void itemDone(int itemNumber, const ItemOutcome &outcome) override;
    void eventsProcessed() override;

    Platform m_platform;
    QString m_programFolder;
    FileListModel m_fileList;
    TextFilesBesideInputs m_textFiles;
    ConversionRun m_conversion;

    FileListView *m_listView = nullptr;
    LatchingButton *m_addFilesButton = nullptr;
    LatchingButton *m_addFolderButton = nullptr;
    LatchingButton *m_saveAsTextButton = nullptr;
    ProgressBar *m_progressBar = nullptr;

    // Whether the window has been centred again once its frame was known (see moveEvent).
    bool m_centredWithFrame = false;

    bool m_saving = false; // from a press of "Save As Text" until its closing pause has passed
    int m_mousePointer = 0;
    QCursor m_mouseIcon;

    // Reordering by dragging: the item being dragged and whether a button is held on the list.
    QPersistentModelIndex m_dragItem;
    bool m_buttonDown = false;
};
