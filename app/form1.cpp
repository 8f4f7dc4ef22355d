#include "app/form1.h"

#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "bmp/save_name.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/palette_lookup.h"
#include "convert/result_drawing.h"
#include "platform/picture_loading.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>

namespace palshift {

namespace {

QPushButton* button(const char* caption, QRect designed, QWidget* canvas)
{
    auto* const made = new QPushButton(QString::fromLatin1(caption), canvas);
    made->setGeometry(designed);
    made->setFixedSize(designed.size());
    return made;
}

QAction* action(const char* caption, QObject* parent)
{
    return new QAction(QString::fromLatin1(caption), parent);
}

}  // namespace

Form1::Form1(const QString& programFolder, std::unique_ptr<FileDialog> dialog,
             std::unique_ptr<MessageBoxes> messages)
    : canvas_(new QWidget),
      Picture1(new PictureBox(canvas_)),
      Picture2(new PictureBox(canvas_)),
      Command1(button("Load Pals", {0, 88, 57, 17}, canvas_)),
      Command2(button("New Pal", {56, 88, 57, 17}, canvas_)),
      Command3(button("Draw Pic", {112, 88, 57, 17}, canvas_)),
      Command4(button("Save Picture", {48, 104, 73, 17}, canvas_)),
      SB1(new StatusBar),
      mnuFileOpen(action("&Open", this)),
      mnuFileSave(action("&Save", this)),
      mbuFileExit(action("E&xit", this)),
      mbuConvert(action("&Convert", this)),
      programFolder_(programFolder),
      CD1(dialog ? std::move(dialog) : std::make_unique<QtFileDialog>(this)),
      messages_(messages ? std::move(messages) : std::make_unique<QtMessageBoxes>(this)),
      scrollArea_(new QScrollArea)
{
    setWindowTitle(QStringLiteral("Palshift"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icon-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icon-16.png"), QSize(16, 16));
    setWindowIcon(icon);
    setAcceptDrops(true);

    // The design; the layout moves Picture2 and the buttons.
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPicture(QImage(QStringLiteral(":/startup.bmp")));
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(120, 0, 81, 33);
    Picture2->setPictureSize({81, 33});
    setTabOrder(Picture1, Command1);
    setTabOrder(Command1, Picture2);
    setTabOrder(Picture2, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);

    SB1->setObjectName(QStringLiteral("SB1"));
    SB1->setText("Ready!");
    setStatusBar(SB1);

    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidget(canvas_);
    setCentralWidget(scrollArea_);

    QMenu* const mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->addAction(mnuFileOpen);
    mnuFile->addAction(mnuFileSave);
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

    Form_Load();
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
    return attempt([this] { loadPals(conversion_, Picture1->surface(), *SB1, lookUpPaletteFiles(programFolder_)); });
}

bool Form1::Command2_Click()
{
    return attempt([this] { newPal(conversion_, Picture1->surface(), *SB1); });
}

bool Form1::Command3_Click()
{
    return attempt([this] { drawPic(conversion_, Picture1->surface(), Picture2->surface(), *SB1); });
}

bool Form1::Command4_Click()
{
    // With no name chosen yet, ask for one as desktop programs do.
    if (conversion_.SaveFileName.isEmpty() && !chooseSaveFileName())
        return false;
    return attempt([this] { savePicture(conversion_, Picture2->surface(), *SB1); });
}

void Form1::mnuFileOpen_Click()
{
    if (const std::optional<QString> chosen = CD1->showOpen(OpenFileName))
        loadFile(*chosen);
}

void Form1::mnuFileSave_Click()
{
    if (chooseSaveFileName())
        Command4_Click();
}

void Form1::mbuFileExit_Click()
{
    close();
}

void Form1::mbuConvert_Click()
{
    Command1_Click() && Command2_Click() && Command3_Click();
}

bool Form1::loadFile(const QString& file)
{
    QImage picture;
    if (!attempt([&] { picture = loadPicture(file); }))
        return false;
    Picture1->setPicture(picture);
    Picture2->cls();
    OpenFileName = file;
    const bool dimensioned = attempt([this] { dimensionIndexMaps(conversion_, Picture1->surface()); });
    MoveCommands();
    return dimensioned;
}

bool Form1::chooseSaveFileName()
{
    const std::optional<QString> chosen = CD1->showSave();
    if (!chosen || chosen->isEmpty())
        return false;
    const QString name = withBmpExtension(*chosen);
    // The dialog asked about the name the user typed; the appended one is new to them.
    if (name != *chosen && QFileInfo::exists(name) && !messages_->confirmReplace(name))
        return false;
    conversion_.SaveFileName = name;
    return true;
}

bool Form1::attempt(const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
        messages_->showFailure(QStringLiteral("There is not enough memory for this picture."));
    } catch (const std::exception& failure) {
        messages_->showFailure(QString::fromStdString(failure.what()));
    }
    return false;
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
        loadFile(urls.front().toLocalFile());
    }
}

}  // namespace palshift
