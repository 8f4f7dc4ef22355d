#include "app/form1.h"

#include "app/palette_panel.h"
#include "app/palettes_dialog.h"
#include "app/window_fit.h"
#include "bmp/bmp_header.h"
#include "convert/dc6_conversion.h"
#include "convert/dc6_sheet_picture.h"
#include "convert/indexed_export.h"
#include "convert/picture_export.h"
#include "pictures/save_name.h"
#include "convert/fused_convert.h"
#include "convert/load_pals.h"
#include "convert/mapping_table.h"
#include "convert/nearest_colour.h"
#include "convert/palette_file.h"
#include "palettes/palette_lookup.h"
#include "convert/result_drawing.h"
#include "convert/rule_steps.h"
#include "platform/atomic_file.h"
#include "pictures/picture_loading.h"
#include "platform/file_error.h"
#include "platform/regular_file.h"

#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>

#include <array>
#include <utility>

namespace palshift {

namespace {

QPushButton* button(const char* caption, QRect designed, QWidget* parent)
{
    auto* const made = new QPushButton(QString::fromLatin1(caption), parent);
    made->setGeometry(designed);
    return made;
}

QAction* action(const char* caption, QObject* parent)
{
    return new QAction(QString::fromLatin1(caption), parent);
}

// The one file a drop brings, or nothing: also for a file that is not there or a folder, which
// cannot be opened.
std::optional<QString> droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    const QString file = urls.front().toLocalFile();
    if (!QFileInfo(file).isFile())
        return std::nullopt;
    return file;
}

// Accepts a drop of one file that can be opened, as a copy or else as a link, never as a move: a
// source that honours a move would delete the user's file. The file, or nothing when refused.
std::optional<QString> acceptDrop(QDropEvent* event)
{
    const std::optional<QString> file = droppedFile(event->mimeData());
    const Qt::DropActions offered = event->possibleActions();
    if (!file || !(offered & (Qt::CopyAction | Qt::LinkAction)))
        return std::nullopt;
    event->setDropAction(offered & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
    event->accept();
    return file;
}

// Pixels of the picture in file, from its header; unknown sizes count as large. The header is read
// as the loading reads, which never waits on a FIFO: what it refuses, it refuses itself.
qint64 picturePixels(const QString& file)
{
    QByteArray head;
    try {
        head = RegularFile(file).read(64 * 1024);
    } catch (const FileError&) {
        return std::numeric_limits<qint64>::max();
    }
    QBuffer device(&head);
    device.open(QIODevice::ReadOnly);
    const QSize size = QImageReader(&device, QFileInfo(file).suffix().toLower().toLatin1()).size();
    return size.isValid() ? qint64{size.width()} * size.height() : std::numeric_limits<qint64>::max();
}

}  // namespace

Form1::Form1(const QString& programFolder, std::unique_ptr<FileDialog> dialog,
             std::unique_ptr<MessageBoxes> messages)
    : central_(new QWidget),
      scrollArea_(new QScrollArea(central_)),
      pictures_(new QWidget),
      Picture1(new PictureBox(pictures_)),
      Picture2(new PictureBox(pictures_)),
      Command1(button("Load Pals", {0, 88, 57, 17}, central_)),
      Command2(button("New Pal", {56, 88, 57, 17}, central_)),
      Command3(button("Draw Pic", {112, 88, 57, 17}, central_)),
      Command4(button("Save Picture", {48, 104, 73, 17}, central_)),
      SB1(new StatusBar),
      mnuFileOpen(action("&Open", this)),
      mnuFileSave(action("&Save", this)),
      mbuFileExit(action("E&xit", this)),
      mbuConvert(action("&Convert", this)),
      mnuFilePalettes(action("&Palettes...", this)),
      mnuFileExportMapping(action("Export &Mapping...", this)),
      programFolder_(programFolder),
      CD1(dialog ? std::move(dialog) : std::make_unique<QtFileDialog>(this)),
      messages_(messages ? std::move(messages) : std::make_unique<QtMessageBoxes>(this)),
      runner_(*SB1)
{
    setWindowTitle(QStringLiteral("Palshift"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icon-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icon-16.png"), QSize(16, 16));
    setWindowIcon(icon);
    // The window has the size of its picture: there is nothing to maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);

    // The design; the layout moves Picture2 and the buttons.
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPicture(QImage(QStringLiteral(":/startup.bmp")));
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(120, 0, 81, 33);
    Picture2->setPictureSize({81, 33});

    SB1->setObjectName(QStringLiteral("SB1"));
    SB1->setText("Ready!");
    setStatusBar(SB1);

    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->setWidget(pictures_);
    setCentralWidget(central_);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);

    // The desktop's own keys, beside the access keys of the menus.
    mnuFileOpen->setShortcut(QKeySequence::Open);
    mnuFileSave->setShortcut(QKeySequence::Save);
    mbuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));  // QKeySequence::Quit is none on some desktops
    QMenu* const mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->addAction(mnuFileOpen);
    mnuFile->addAction(mnuFileSave);
    mnuFile->addSeparator();
    mnuFile->addAction(mnuFilePalettes);
    mnuFile->addAction(mnuFileExportMapping);
    mnuFile->addSeparator();
    mnuFile->addAction(mbuFileExit);
    menuBar()->addAction(mbuConvert);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(mnuFileOpen, &QAction::triggered, this, [this] { mnuFileOpen_Click(); });
    connect(mnuFileSave, &QAction::triggered, this, [this] { mnuFileSave_Click(); });
    connect(mbuFileExit, &QAction::triggered, this, [this] { mbuFileExit_Click(); });
    connect(mbuConvert, &QAction::triggered, this, [this] { mbuConvert_Click(); });
    connect(mnuFilePalettes, &QAction::triggered, this, [this] { mnuFilePalettes_Click(); });
    connect(mnuFileExportMapping, &QAction::triggered, this, [this] { mnuFileExportMapping_Click(); });
    connect(&runner_, &WorkRunner::started, this, [this] { setBusy(true); });
    connect(&runner_, &WorkRunner::finished, this, [this] { setBusy(false); });
    connect(&runner_, &WorkRunner::progressed, SB1, &StatusBar::showProgress);

    setUpView();
    Form_Load();
    Command1->setFocus();
}

void Form1::Form_Load()
{
    InitBmpHeader(conversion_.BmpFileHeader);
    SB1->setText("Ready...");
    dimensionIndexMaps(conversion_, Picture1->surface());
    MoveCommands();
}

void Form1::Form_Resize()
{
    MoveCommands();
}

bool Form1::Command1_Click()
{
    if (!runStep([this, rules = rules()](ConversionState& working, const StepProgress& progress, StatusLine& status) {
            if (changesConversion(rules))
                loadPalsUnderRules(working, Picture1->imageSurface(), status, paletteFiles(), rules, progress, paletteFormats());
            else
                loadPals(working, Picture1->surface(), status, paletteFiles(), progress, paletteFormats());
        }))
        return false;
    identifiedPicture_ = shownPicture_;
    showUnmatchedNote();
    showConversion();
    return true;
}

QString unmatchedNote(qint64 unmatched, qint64 pixels)
{
    const QLocale locale;  // the user's, for the thousands separators
    return QStringLiteral("%1 of %2 pixels match no Diablo 1 colour").arg(locale.toString(unmatched), locale.toString(pixels));
}

void Form1::showUnmatchedNote()
{
    const qint64 unmatched = conversion_.unmatchedPixels;
    SB1->setNote(unmatched == 0 ? QString() : unmatchedNote(unmatched, pixels()));
}

bool Form1::Command2_Click()
{
    const ConversionRules inUse = rules();
    if (!runStep([this, inUse](ConversionState& working, const StepProgress& progress, StatusLine& status) {
            if (changesConversion(inUse))
                newPalUnderRules(working, Picture1->imageSurface(), status, inUse, progress);
            else
                newPal(working, Picture1->surface(), status, progress);
        }))
        return false;
    convertedPicture_ = identifiedPicture_;
    convertedTransparentIndex_ = inUse.transparentIndex;
    noteWithoutLoadPals();
    showConversion();
    return true;
}

bool Form1::Command3_Click()
{
    // Painted aside and shown whole, so that a cancelled drawing leaves the earlier one.
    ImageSurface painting = paintingAside();
    bool ranToEnd = false;
    const bool succeeded = attempt([&] {
        ranToEnd = runner_.run(
            [&](const StepProgress& progress, StatusLine& status) {
                drawPic(conversion_, Picture1->surface(), painting, status, progress);
            },
            pixels());
    });
    if (!succeeded)
        return false;
    if (!ranToEnd) {
        SB1->setText("Ready...");
        return false;
    }
    showPainting(painting);
    noteWithoutLoadPals();
    return true;
}

void Form1::noteWithoutLoadPals()
{
    // As designed, the step goes on from the entries it has: every pixel entry 0, painted black.
    if (identifiedPicture_ != shownPicture_)
        SB1->setNote(QStringLiteral("Load Pals has not run: every pixel is taken as entry 0"));
}

bool Form1::Command4_Click()
{
    if (!checkConverted())
        return false;
    // A name chosen for another picture is not this one's: ask, rather than replace that file.
    if ((conversion_.SaveFileName.isEmpty() || namedPicture_ != shownPicture_) && !chooseSaveFileName())
        return false;
    if (refuseFolder(conversion_.SaveFileName))
        return false;
    if (!runSave([this, transparent = convertedTransparentIndex_](ConversionState& working, const StepProgress& progress,
                                                                  StatusLine& status) {
            const OutputFormat format = outputFormatOfFile(working.SaveFileName);
            if (format == OutputFormat::Bmp)
                savePicture(working, Picture2->surface(), status, progress);
            else
                saveIndexedPicture(working, format, Picture2->width(), Picture2->height(), transparent, status, progress);
        }))
        return false;
    settings_.setLastFolder(QFileInfo(conversion_.SaveFileName).absolutePath());
    SB1->showSaved(conversion_.SaveFileName);
    return true;
}

void Form1::mnuFileOpen_Click()
{
    if (const std::optional<QString> chosen = CD1->showOpen(OpenFileName, settings_.lastFolder()))
        loadFile(*chosen);
}

void Form1::mnuFileSave_Click()
{
    if (checkConverted() && chooseSaveFileName())
        Command4_Click();
}

void Form1::mbuFileExit_Click()
{
    close();
}

void Form1::mbuConvert_Click()
{
    // The one pass knows no rules; under rules the three steps run as the buttons do.
    if (changesConversion(rules())) {
        Command1_Click() && Command2_Click() && Command3_Click();
        return;
    }
    // Painted aside and shown whole, so that a cancelled pass leaves the earlier painting.
    ImageSurface painting = paintingAside();
    const bool ranToEnd = runStep([&](ConversionState& working, const StepProgress& progress, StatusLine& status) {
        convertInOnePass(working, Picture1->imageSurface(), painting, status, paletteFiles(), progress, paletteFormats());
    });
    if (!ranToEnd)
        return;
    showPainting(painting);
    identifiedPicture_ = shownPicture_;
    convertedPicture_ = shownPicture_;
    convertedTransparentIndex_.reset();
    showUnmatchedNote();
    showConversion();
}

void Form1::mnuFilePalettes_Click()
{
    PaletteChoice initial;
    if (settings_.paletteChoice()) {
        initial = *settings_.paletteChoice();
    } else {
        try {
            initial.files = lookUpPaletteFiles(programFolder_);
        } catch (const std::exception&) {
            // Nothing found: the user chooses both.
        }
    }
    PalettesDialog dialog(initial, this);
    if (dialog.exec() == QDialog::Accepted)
        settings_.setPaletteChoice(dialog.choice());
}

void Form1::mnuFileExportMapping_Click()
{
    const std::optional<QString> chosen = CD1->showExportMapping(settings_.lastFolder());
    if (!chosen || chosen->isEmpty() || refuseFolder(*chosen) || !confirmReplace(*chosen))
        return;
    attempt([&] {
        ConversionState palettes;
        SilentStatusLine silent;
        readPals(palettes, silent, paletteFiles(), paletteFormats());
        writeMappingTable(*chosen, palettes.SourcePal, palettes.TargetPal, rules().transparentIndex);
        settings_.setLastFolder(QFileInfo(*chosen).absolutePath());
        SB1->showSaved(*chosen);
    });
}

bool Form1::loadFile(const QString& file)
{
    if (runner_.isRunning())
        return false;
    ImageSurface loaded;
    // Index maps dimensioned to the new picture, and a second pair for the first step's copy,
    // allocated here so that the new memory's cost falls on the loading.
    ConversionState fresh, spare;
    bool ranToEnd = false;
    const bool succeeded = attempt([&] {
        ranToEnd = runner_.run(
            [&](const StepProgress& progress, StatusLine&) {
                if (isDc6File(file)) {  // already in the Diablo 2 palette: its frames shown as they are
                    Palette target;
                    std::int16_t counter = 0;
                    readPaletteFile(paletteFiles().target, target, counter, paletteFiles().targetFormat);
                    loaded.setPicture(dc6SheetPicture(file, target));
                } else {
                    loaded.setPicture(loadPicture(file));
                }
                dimensionIndexMaps(fresh, loaded);
                dimensionIndexMaps(spare, loaded);
                if (progress)
                    progress(1, 1);
            },
            picturePixels(file));
    });
    if (!succeeded || !ranToEnd)
        return false;

    viewPass_.stop();
    // What the last picture held (1.3 GB at 9000 x 9000) is freed on a thread of its own, once the
    // window has let go of it: giving its pages back held the interface for a few hundred ms.
    QImage picture = Picture1->image(), painting = Picture2->image(), sparePainting = sparePainting_.image();
    std::array maps{std::exchange(conversion_.SourceIndexMap, std::move(fresh.SourceIndexMap)),
                    std::exchange(conversion_.TargetIndexMap, std::move(fresh.TargetIndexMap)),
                    std::exchange(spareSourceMap_, std::move(spare.SourceIndexMap)),
                    std::exchange(spareTargetMap_, std::move(spare.TargetIndexMap))};
    Picture1->setSurface(loaded);
    Picture2->cls();
    sparePainting_ = {};  // of the last picture's size
    releaser_ = std::jthread([picture = std::move(picture), painting = std::move(painting),
                              sparePainting = std::move(sparePainting), maps = std::move(maps)] {});
    OpenFileName = file;
    ++shownPicture_;
    SB1->setNote({});
    settings_.setLastFolder(QFileInfo(file).absolutePath());
    palettePanel_->letGo();  // an entry chosen on another picture
    MoveCommands();
    showConversion();
    return true;
}

bool Form1::runStep(const Step& step)
{
    // The pixel buffer is a save's scratch: not copied, and kept for the next save.
    std::vector<std::uint8_t> buffer = std::exchange(conversion_.PixelBuffer, {});
    // Copied on the step's thread, into the maps of the state before the last (a copy into memory
    // in use costs a fraction of one into new memory). Meanwhile the interface only reads conversion_.
    ConversionState working;
    working.SourceIndexMap = std::move(spareSourceMap_);
    working.TargetIndexMap = std::move(spareTargetMap_);
    bool copied = false;
    bool ranToEnd = false;
    const bool succeeded = attempt([&] {
        ranToEnd = runner_.run(
            [&](const StepProgress& progress, StatusLine& status) {
                working = conversion_;
                copied = true;
                step(working, progress, status);
            },
            pixels());
    });
    if (!copied || (succeeded && !ranToEnd)) {
        conversion_.PixelBuffer = std::move(buffer);
        spareSourceMap_ = std::move(working.SourceIndexMap);
        spareTargetMap_ = std::move(working.TargetIndexMap);
        if (succeeded)
            SB1->setText("Ready...");
        return false;
    }
    // What a failing step changed stays changed, as when it ran in place.
    if (working.PixelBuffer.empty())
        working.PixelBuffer = std::move(buffer);
    viewPass_.stop();
    spareSourceMap_ = std::move(conversion_.SourceIndexMap);
    spareTargetMap_ = std::move(conversion_.TargetIndexMap);
    conversion_ = std::move(working);
    return succeeded;
}

bool Form1::runSave(const Step& step)
{
    bool ranToEnd = false;
    const bool succeeded = attempt([&] {
        ranToEnd = runner_.run([&](const StepProgress& progress, StatusLine& status) { step(conversion_, progress, status); },
                               pixels());
    });
    if (succeeded && !ranToEnd)
        SB1->setText("Ready...");
    return succeeded && ranToEnd;
}

ImageSurface Form1::paintingAside()
{
    ImageSurface painting = std::exchange(sparePainting_, {});
    if (!painting.image().isNull() && painting.image().size() == Picture2->pictureSize()
        && Picture2->pictureSize() == Picture1->pictureSize())
        return painting;
    return Picture2->imageSurface();
}

void Form1::showPainting(const ImageSurface& painting)
{
    sparePainting_ = Picture2->imageSurface();
    Picture2->setSurface(painting);
}

bool Form1::checkConverted()
{
    if (convertedPicture_ == shownPicture_)
        return true;
    messages_->showFailure(QStringLiteral("Nothing has been converted yet: press Load Pals and New Pal, "
                                          "or choose Convert, first."));
    return false;
}

bool Form1::refuseFolder(const QString& name)
{
    if (!QFileInfo(name).isDir())
        return false;
    messages_->showFailure(QStringLiteral("Cannot write %1: it is a folder").arg(name));
    return true;
}

bool Form1::chooseSaveFileName()
{
    const QString folder = conversion_.SaveFileName.isEmpty() ? settings_.lastFolder()
                                                              : QFileInfo(conversion_.SaveFileName).absolutePath();
    const std::optional<QString> chosen = CD1->showSave(folder);
    if (!chosen || chosen->isEmpty())
        return false;
    const QString name = savedName(*chosen);
    if (refuseFolder(name))
        return false;
    if (!confirmReplace(name))
        return false;
    conversion_.SaveFileName = name;
    namedPicture_ = shownPicture_;
    return true;
}

bool Form1::confirmReplace(const QString& name)
{
    const bool agreed = !QFileInfo::exists(name) || messages_->confirmReplace(name);
    activateWindow();  // back from the dialogs, the keyboard is the window's again
    return agreed;
}

bool Form1::attempt(const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
        messages_->showFailure(QStringLiteral("There is not enough memory for this picture."));
    } catch (const UnmatchedColoursError& refused) {
        const QString picture = OpenFileName.isEmpty() ? QStringLiteral("The start-up picture") : OpenFileName;
        messages_->showFailure(picture + QStringLiteral(": ") + QString::fromStdString(refused.what()));
    } catch (const std::exception& failure) {
        messages_->showFailure(QString::fromStdString(failure.what()));
    }
    // Once the message is closed, nothing runs any more.
    if (SB1->text() != QStringLiteral("Ready..."))
        SB1->setText("Ready...");
    return false;
}

void Form1::setBusy(bool busy)
{
    if (busy) {
        focusBeforeBusy_ = QApplication::focusWidget();
        QApplication::setOverrideCursor(Qt::BusyCursor);
        SB1->showProgress(0);
    } else {
        QApplication::restoreOverrideCursor();
        SB1->hideProgress();
    }
    for (QWidget* command : {Command1, Command2, Command3, Command4})
        command->setEnabled(!busy);
    for (QAction* command : {mnuFileOpen, mnuFileSave, mbuConvert, mnuFilePalettes, mnuFileExportMapping})
        command->setEnabled(!busy);
    if (!busy && focusBeforeBusy_)
        focusBeforeBusy_->setFocus();
    if (!busy && closeWhenIdle_)
        QTimer::singleShot(0, this, &QWidget::close);
}

PaletteFiles Form1::paletteFiles() const
{
    return settings_.paletteChoice() ? settings_.paletteChoice()->files : lookUpPaletteFiles(programFolder_);
}

std::optional<PaletteFormats> Form1::paletteFormats() const
{
    return settings_.paletteChoice() ? std::optional(settings_.paletteChoice()->formats) : std::nullopt;
}

ConversionRules Form1::rules() const
{
    return settings_.paletteChoice() ? settings_.paletteChoice()->rules : ConversionRules{};
}

qint64 Form1::pixels() const
{
    const PixelExtent extent = pixelExtent(Picture1->surface());
    return qint64{extent.columns} * extent.rows;
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The window manager tells the frame once the window is shown; a window fitted without it
    // could pass the screen's edge.
    if (marginsAround(geometry(), frameGeometry()) != frameMargins_)
        MoveCommands();
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && runner_.isRunning()) {
        runner_.cancel();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        stopViewPass();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // The running step is stopped first; the window closes once it has.
    if (runner_.isRunning()) {
        closeWhenIdle_ = true;
        runner_.cancel();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!runner_.isRunning())
        acceptDrop(event);
}

void Form1::dropEvent(QDropEvent* event)
{
    if (const std::optional<QString> file = acceptDrop(event))
        loadFile(*file);
}

}  // namespace palshift
