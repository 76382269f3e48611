#include "app/MainWindow.h"

#include "app/ButtonPictures.h"
#include "app/FileListItems.h"
#include "app/FileUtilities.h"
#include "app/HomePage.h"
#include "app/LatchingButton.h"
#include "app/MainWindowLayout.h"
#include "app/ProgressBar.h"
#include "convert/FolderWalk.h"
#include "convert/RunProgress.h"
#include "convert/WaitSeconds.h"
#include "engine/PageEngine.h"
#include "filelist/AddFilesDialog.h"
#include "filelist/DragReorder.h"
#include "filelist/FileListView.h"
#include "filelist/FolderPrompt.h"
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
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QScopedValueRollback>

namespace {

// What a run did beyond its closing message, for whoever watches the terminal or the journal.
Q_LOGGING_CATEGORY(runLog, "quillmere.run")

// Which engine gave each page's text, so a user can see why a run took the time it took.
void logPagesByEngine(const PagesByEngine &pages)
{
    qCInfo(runLog).noquote()
        << QStringLiteral("Saved as text: %1.").arg(describePagesByEngine(pages));
}

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
    startUp();
}

void MainWindow::createControls()
{
    namespace Layout = MainWindowLayout;

    setFixedSize(Layout::clientSize);
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

    m_addFilesButton = new LatchingButton(QStringLiteral("Add HTML Files"),
                                          ButtonPictures::addFiles(), this);
    m_addFilesButton->setGeometry(Layout::addFilesButton);
    m_addFolderButton = new LatchingButton(QStringLiteral("Add All HTML Files In Folder"),
                                           ButtonPictures::addFolder(), this);
    m_addFolderButton->setGeometry(Layout::addFolderButton);

    m_progressBar = new ProgressBar(this);
    m_progressBar->setGeometry(Layout::progressBar);

    m_saveAsTextButton = new LatchingButton(QStringLiteral("Save As Text"),
                                            ButtonPictures::saveAsText(), this);
    m_saveAsTextButton->setGeometry(Layout::saveAsTextButton);

    for (LatchingButton *button : {m_addFilesButton, m_addFolderButton, m_saveAsTextButton}) {
        button->setFont(buttonFont());
        QPalette buttonPalette = button->palette();
        buttonPalette.setColor(QPalette::Button, Qt::white);
        button->setPalette(buttonPalette);
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    setTabOrder(m_listView, m_addFilesButton);
    setTabOrder(m_addFilesButton, m_addFolderButton);
    setTabOrder(m_addFolderButton, m_progressBar);
    setTabOrder(m_progressBar, m_saveAsTextButton);
}

void MainWindow::connectHandlers()
{
    // toggled() rather than clicked(): unchecking a button in its handler must raise the
    // handler again (and be ignored there), as the latching rule expects.
    connect(m_addFilesButton, &QAbstractButton::toggled, this, &MainWindow::addFiles);
    connect(m_addFolderButton, &QAbstractButton::toggled, this, &MainWindow::addFolder);
    connect(m_saveAsTextButton, &QAbstractButton::toggled, this, &MainWindow::saveAllAsText);

    connect(m_listView, &FileListView::doubleClickedAnywhere, this,
            &MainWindow::removeSelectedItem);
    connect(m_listView, &FileListView::filesDropped, this, &MainWindow::appendDroppedFiles);
    connect(m_listView, &FileListView::itemClicked, this, &MainWindow::pickUpClickedItem);
    connect(m_listView, &FileListView::mouseDown, this, &MainWindow::listButtonPressed);
    connect(m_listView, &FileListView::mouseMoved, this, &MainWindow::dragItemAlong);
    connect(m_listView, &FileListView::mouseUp, this, &MainWindow::listButtonReleased);
}

void MainWindow::startUp()
{
    centerForm(*this);

    const QString handPointer = m_programFolder + QDir::separator() + QStringLiteral("HAND-M.CUR");
    if (fileExists(handPointer))
        loadPointerPicture(handPointer, m_mouseIcon);

    maybeOpenHomePage(m_platform.random, m_platform.desktop);

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

void MainWindow::moveEvent(QMoveEvent *event)
{
    // A window manager adds its frame only after the window is first shown, and moves the
    // window to make room for it: that is when the frame's size is known and the window can be
    // centred as a whole. Once only, so that the user's own moves stay.
    if (!m_centredWithFrame && frameGeometry().size() != size()) {
        m_centredWithFrame = true;
        centerForm(*this);
    }
    QWidget::moveEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && qobject_cast<LatchingButton *>(watched))
        showHandOverButton();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showHandOverButton()
{
    if (m_mousePointer != HourglassPointer)
        setMousePointer(CustomPointer);
}

void MainWindow::saveAllAsText()
{
    if (!m_saveAsTextButton->takeLatch())
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
    const std::optional<PagesByEngine> pagesBefore = m_platform.engine.pagesByEngine();
    const ConversionReport report = m_conversion.run(FileListItems(m_fileList), *this);
    if (pagesBefore)
        logPagesByEngine(pagesTakenSince(*pagesBefore, *m_platform.engine.pagesByEngine()));
    m_platform.messages.inform(doneMessage(report.failures(),
                                           report.count(ItemOutcome::Result::Skipped),
                                           report.count(ItemOutcome::Result::NotAPage)));

    // The finished bar stays in view a moment longer.
    waitSeconds(1, m_platform.clock, m_platform.pump);
    setMousePointer(DefaultPointer);
    m_progressBar->setPercent(0);
}

void MainWindow::addFolder()
{
    if (!m_addFolderButton->takeLatch())
        return;
    const QString chosen = browseForFolder(m_platform.folderBrowser, this,
                                           QStringLiteral("Please select folder to add:"));
    if (chosen.isEmpty())
        return;
    setMousePointer(HourglassPointer);
    m_fileList.append(htmlFilesInTree(chosen, m_platform.pump), chosen);
    setMousePointer(DefaultPointer);
}

void MainWindow::addFiles()
{
    if (!m_addFilesButton->takeLatch())
        return;
    const QStringList picked = m_platform.fileDialog.showOpen(this, addFilesDialogSettings());
    if (!picked.isEmpty()) {
        setMousePointer(HourglassPointer);
        m_fileList.append(picked);
    }
    setMousePointer(DefaultPointer);
}

void MainWindow::removeSelectedItem()
{
    const int position = FileListView::positionOf(m_listView->selectedItem());
    if (position > 0)
        m_fileList.remove(position);
}

void MainWindow::appendDroppedFiles(const QStringList &paths)
{
    m_fileList.append(paths);
}

void MainWindow::pickUpClickedItem()
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

void MainWindow::listButtonPressed()
{
    m_buttonDown = true;
}

void MainWindow::dragItemAlong(const QPoint &pos)
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

void MainWindow::listButtonReleased()
{
    m_buttonDown = false;
    m_listView->setMousePointer(ArrowPointer);
}
