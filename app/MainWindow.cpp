#include "app/MainWindow.h"

#include "app/ButtonPictures.h"
#include "app/FileUtilities.h"
#include "app/HomePage.h"
#include "app/LatchingButton.h"
#include "app/MainWindowLayout.h"
#include "app/ProgressBar.h"
#include "convert/FileListItems.h"
#include "convert/RunProgress.h"
#include "convert/WaitSeconds.h"
#include "filelist/AddFilesDialog.h"
#include "filelist/DragReorder.h"
#include "filelist/FileListView.h"
#include "filelist/FolderTree.h"
#include "platform/CursorPosition.h"
#include "platform/Desktop.h"
#include "platform/MessageBoxes.h"
#include "platform/PointerCode.h"
#include "platform/PointerCursor.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFont>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>

namespace {

const QString programTitle = QStringLiteral("Quillmere");
const QString listToolTip = QStringLiteral(
    "Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
    "window to reveal full names.");

QFont buttonFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setWeight(QFont::Bold);
    return font;
}

QFont listFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace

MainWindow::MainWindow(const Platform &platform, const QString &programFolder, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_programFolder(programFolder)
    , m_textFiles(platform.fileWriter)
    , m_conversion(platform.engine, m_textFiles, platform.pump, platform.clock)
{
    createControls();
    connectHandlers();
    Form_Load();
}

void MainWindow::createControls()
{
    namespace Layout = MainWindowLayout;

    setFixedSize(Layout::clientSize);
    setWindowIcon(ButtonPictures::blankWindowIcon());
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // Hovering the bare background resets the pointer, so moves must arrive without a button.
    setMouseTracking(true);

    // Created in tab order: the list, the two adding buttons, the bar, then "Save As Text".
    m_listView = new FileListView(this);
    m_listView->setGeometry(Layout::fileList);
    m_listView->setFont(listFont());
    m_listView->setToolTip(listToolTip);
    m_listView->setFileList(&m_fileList);
    m_listView->viewport()->setMouseTracking(true);

    m_check4 = new LatchingButton(QStringLiteral("Add HTML Files"), ButtonPictures::addFiles(),
                                  this);
    m_check4->setGeometry(Layout::addFilesButton);
    m_check3 = new LatchingButton(QStringLiteral("Add All HTML Files In Folder"),
                                  ButtonPictures::addFolder(), this);
    m_check3->setGeometry(Layout::addFolderButton);

    m_progressBar = new ProgressBar(this);
    m_progressBar->setGeometry(Layout::progressBar);

    m_check2 = new LatchingButton(QStringLiteral("Save As Text"), ButtonPictures::saveAsText(),
                                  this);
    m_check2->setGeometry(Layout::saveAsTextButton);

    for (LatchingButton *button : {m_check4, m_check3, m_check2}) {
        button->setFont(buttonFont());
        QPalette buttonPalette = button->palette();
        buttonPalette.setColor(QPalette::Button, Qt::white);
        button->setPalette(buttonPalette);
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    setTabOrder(m_listView, m_check4);
    setTabOrder(m_check4, m_check3);
    setTabOrder(m_check3, m_progressBar);
    setTabOrder(m_progressBar, m_check2);
}

void MainWindow::connectHandlers()
{
    // toggled() rather than clicked(): unchecking a button in its handler must raise the
    // handler again (and be ignored there), as the latching rule expects.
    connect(m_check4, &QAbstractButton::toggled, this, &MainWindow::Check4_Click);
    connect(m_check3, &QAbstractButton::toggled, this, &MainWindow::Check3_Click);
    connect(m_check2, &QAbstractButton::toggled, this, &MainWindow::Check2_Click);

    connect(m_listView, &FileListView::doubleClickedAnywhere, this,
            &MainWindow::ListView1_DblClick);
    connect(m_listView, &FileListView::filesDropped, this, &MainWindow::ListView1_OLEDragDrop);
    connect(m_listView, &FileListView::itemClicked, this, &MainWindow::ListView1_ItemClick);
    connect(m_listView, &FileListView::mouseDown, this, &MainWindow::ListView1_MouseDown);
    connect(m_listView, &FileListView::mouseMoved, this, &MainWindow::ListView1_MouseMove);
    connect(m_listView, &FileListView::mouseUp, this, &MainWindow::ListView1_MouseUp);
}

void MainWindow::Form_Load()
{
    CenterForm(*this);

    const QString handPointer = m_programFolder + QDir::separator() + QStringLiteral("HAND-M.CUR");
    if (FileExists(handPointer))
        loadPointerPicture(handPointer, m_mouseIcon);

    MaybeOpenHomePage(m_platform.random, m_platform.desktop);

    setWindowTitle(programTitle);

    // The engine's pages are made now, while the user fills the list.
    m_conversion.prepare();

    m_listView->header()->resizeSection(0, MainWindowLayout::fileColumnWidth);

    QPalette whiteBar = m_progressBar->palette();
    whiteBar.setColor(QPalette::Base, Qt::white);
    whiteBar.setColor(QPalette::Window, Qt::white);
    m_progressBar->setPalette(whiteBar);
}

void MainWindow::setMousePointer(int code)
{
    m_mousePointer = code;
    showPointer(*this, code, m_mouseIcon);
}

void MainWindow::itemDone(int itemNumber, const ItemOutcome &)
{
    setMousePointer(HourglassPointer);
    m_progressBar->setPercent(progressPercent(itemNumber, m_fileList.count()));
}

void MainWindow::eventsProcessed()
{
    // Events processed during the run may have set another pointer (a move over the window).
    setMousePointer(HourglassPointer);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_platform.desktop.endProcess();
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    // Moves that a control ignored come here too; only the bare background resets the pointer.
    if (!childAt(event->position().toPoint()))
        setMousePointer(DefaultPointer);
    QWidget::mouseMoveEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && qobject_cast<LatchingButton *>(watched))
        CheckButton_MouseMove();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::CheckButton_MouseMove()
{
    if (m_mousePointer != HourglassPointer)
        setMousePointer(CustomPointer);
}

void MainWindow::Check2_Click()
{
    if (!m_check2->takeLatch())
        return;
    // A press during a run (from an event processed inside it) starts nothing: a second run
    // would have to wait for this one anyway.
    if (m_saving)
        return;
    if (m_fileList.count() < 1) {
        m_platform.messages.inform(QStringLiteral("No files added."));
        return;
    }
    const QScopedValueRollback saving(m_saving, true);
    setMousePointer(HourglassPointer);
    const ConversionReport report = m_conversion.run(FileListItems(m_fileList), *this);
    m_platform.messages.inform(doneMessage(report.notConverted()));

    // The finished bar stays in view a moment longer.
    WaitSeconds(1, m_platform.clock, m_platform.pump);
    setMousePointer(DefaultPointer);
    m_progressBar->setPercent(0);
}

void MainWindow::Check3_Click()
{
    if (!m_check3->takeLatch())
        return;
    const QString chosen = BrowseForFolder(m_platform.folderBrowser, this,
                                           QStringLiteral("Please select folder to add:"));
    if (chosen.isEmpty())
        return;
    setMousePointer(HourglassPointer);
    m_fileList.append(htmlFilesInTree(chosen, m_platform.pump));
    setMousePointer(DefaultPointer);
}

void MainWindow::Check4_Click()
{
    if (!m_check4->takeLatch())
        return;
    const QString selection = m_platform.fileDialog.showOpen(this, addFilesDialogSettings());
    if (!selection.isEmpty()) {
        setMousePointer(HourglassPointer);
        m_fileList.append(pathsFromSelection(selection));
    }
    setMousePointer(DefaultPointer);
}

void MainWindow::ListView1_DblClick()
{
    const int position = FileListView::positionOf(m_listView->selectedItem());
    if (position > 0)
        m_fileList.remove(position);
}

void MainWindow::ListView1_OLEDragDrop(const QStringList &paths)
{
    m_fileList.append(paths);
}

void MainWindow::ListView1_ItemClick()
{
    // Read afresh at every click. An icon that cannot be read leaves the list's last picture
    // (at first the plain arrow), so the pointer stays usable and reordering does not care.
    QCursor dragIcon = m_listView->mouseIcon();
    loadPointerPicture(m_programFolder + QDir::separator() + QStringLiteral("drag.ico"), dragIcon);
    m_listView->setMouseIcon(dragIcon);
    m_listView->setMousePointer(CustomPointer);
    // The list never starts a drag of its own; from the first item click on it takes no drops
    // either, so a press on an item always means reordering.
    m_listView->setAcceptDrops(false);
    m_dragItem = m_listView->selectedItem();
}

void MainWindow::ListView1_MouseDown()
{
    m_buttonDown = true;
}

void MainWindow::ListView1_MouseMove(const QPoint &pos)
{
    if (m_mousePointer != HourglassPointer)
        setMousePointer(DefaultPointer);
    if (!m_buttonDown)
        return;

    // A dragged item that a double-click has removed refers to nothing (position 0), and
    // then nothing is exchanged until the next item click picks a new one.
    const int moved = exchangeDraggedPath(m_fileList, FileListView::positionOf(m_dragItem),
                                          m_listView->hitTest(pos));
    if (moved == 0)
        return;
    m_listView->select(moved);
    m_dragItem = m_listView->selectedItem();

    const int neighbour = edgeScrollNeighbour(m_platform.cursor.screenPos().y(), moved,
                                              m_fileList.count());
    if (neighbour != 0)
        m_listView->ensureVisible(neighbour);
}

void MainWindow::ListView1_MouseUp()
{
    m_buttonDown = false;
    m_listView->setMousePointer(ArrowPointer);
}
