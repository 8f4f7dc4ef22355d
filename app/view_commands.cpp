#include "app/form1.h"

#include "app/palette_panel.h"
#include "app/palette_usage.h"
#include "app/pixel_description.h"
#include "app/pixel_marks.h"
#include "app/zoom.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <memory>

namespace palshift {

namespace {

// Where the middle of bar's view lies in the picture, as a fraction of it.
double middle(const QScrollBar* bar)
{
    const int whole = bar->maximum() - bar->minimum() + bar->pageStep();
    return whole > 0 ? (bar->value() + bar->pageStep() / 2.0) / whole : 0.5;
}

void keepMiddle(QScrollBar* bar, double fraction)
{
    const int whole = bar->maximum() - bar->minimum() + bar->pageStep();
    bar->setValue(static_cast<int>(fraction * whole - bar->pageStep() / 2.0));
}

}  // namespace

void Form1::setUpView()
{
    zoom_ = settings_.zoom();
    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuViewZoomIn = mnuView->addAction(QStringLiteral("Zoom &In"));
    mnuViewZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    mnuViewZoomOut = mnuView->addAction(QStringLiteral("Zoom &Out"));
    mnuViewZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    mnuViewActualSize = mnuView->addAction(QStringLiteral("&Actual Size"));
    mnuViewActualSize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    mnuView->addSeparator();
    auto* const levels = new QActionGroup(this);
    for (const int level : zoomLevels) {
        QAction* const item = mnuView->addAction(QStringLiteral("%1x").arg(level));
        item->setCheckable(true);
        item->setChecked(level == zoom_);
        levels->addAction(item);
        mnuViewZoom << item;
        connect(item, &QAction::triggered, this, [this, level] { setZoom(level); });
    }
    mnuView->addSeparator();
    mnuViewPalettes = mnuView->addAction(QStringLiteral("&Palettes"));
    mnuViewPalettes->setCheckable(true);
    mnuViewUnmatched = mnuView->addAction(QStringLiteral("&Highlight Unmatched"));
    mnuViewUnmatched->setCheckable(true);
    connect(mnuViewZoomIn, &QAction::triggered, this, [this] { setZoom(zoomedIn(zoom_)); });
    connect(mnuViewZoomOut, &QAction::triggered, this, [this] { setZoom(zoomedOut(zoom_)); });
    connect(mnuViewActualSize, &QAction::triggered, this, [this] { setZoom(1); });
    connect(mnuViewUnmatched, &QAction::toggled, this, [this] { showMarks(); });

    palettePanel_ = new PalettePanel(settings_.farMatch(), this);
    palettePanel_->setObjectName(QStringLiteral("palettePanel"));
    connect(mnuViewPalettes, &QAction::toggled, palettePanel_, [this](bool shown) {
        palettePanel_->setVisible(shown);
        if (shown)
            showConversion();
        else
            palettePanel_->letGo();  // its marks go with it
    });
    connect(palettePanel_, &PalettePanel::selectionChanged, this, [this] { showMarks(); });
    connect(palettePanel_, &PalettePanel::farMatchChanged, this, [this](int distance) { settings_.setFarMatch(distance); });
    palettePanel_->installEventFilter(this);  // closing it unchecks its menu item

    pixelInspector = new QLabel;
    pixelInspector->setObjectName(QStringLiteral("pixelInspector"));
    pixelInspector->setFrameShape(QFrame::Panel);
    pixelInspector->setFrameShadow(QFrame::Sunken);
    pixelInspector->setMinimumWidth(describedPixelWidth(pixelInspector->fontMetrics())
                                    + 2 * pixelInspector->frameWidth() + 2 * pixelInspector->margin());
    SB1->addWidget(pixelInspector);
    for (PictureBox* box : {Picture1, Picture2}) {
        connect(box, &PictureBox::hovered, pixelInspector,
                [this](QPoint pixel) { pixelInspector->setText(describePixel(view(), pixel)); });
        connect(box, &PictureBox::left, pixelInspector, &QLabel::clear);
    }
    // Picture2 in a scroll area of its own beside Picture1's, so that both show the same part of
    // a picture larger than their room; scrolling either scrolls both.
    pictures2_ = new QWidget;
    scrollArea2_ = new QScrollArea(central_);
    scrollArea2_->setFrameShape(QFrame::NoFrame);
    scrollArea2_->setFocusPolicy(Qt::NoFocus);
    Picture2->setParent(pictures2_);
    Picture2->move(0, 0);
    Picture2->show();
    scrollArea2_->setWidget(pictures2_);
    for (const auto bar : {&QScrollArea::horizontalScrollBar, &QScrollArea::verticalScrollBar}) {
        QScrollBar* const one = (scrollArea_->*bar)();
        QScrollBar* const other = (scrollArea2_->*bar)();
        connect(one, &QScrollBar::valueChanged, other, &QScrollBar::setValue);
        connect(other, &QScrollBar::valueChanged, one, &QScrollBar::setValue);
    }
    for (QScrollArea* area : {scrollArea_, scrollArea2_})
        area->viewport()->installEventFilter(this);  // Ctrl with the wheel zooms
}

void Form1::setZoom(int zoom)
{
    zoom = validZoom(zoom);
    mnuViewZoom[static_cast<qsizetype>(std::find(zoomLevels.begin(), zoomLevels.end(), zoom) - zoomLevels.begin())]
        ->setChecked(true);
    if (zoom == zoom_)
        return;
    // The part of the pictures in the middle of the view stays there.
    const double across = middle(scrollArea_->horizontalScrollBar());
    const double down = middle(scrollArea_->verticalScrollBar());
    zoom_ = zoom;
    settings_.setZoom(zoom);
    MoveCommands();
    keepMiddle(scrollArea_->horizontalScrollBar(), across);
    keepMiddle(scrollArea_->verticalScrollBar(), down);
}

ConversionView Form1::view() const
{
    return {Picture1->image(), conversion_, identifiedPicture_ == shownPicture_, convertedPicture_ == shownPicture_};
}

void Form1::showConversion()
{
    if (palettePanel_->isVisible()) {
        palettePanel_->setPalettes(conversion_.SourcePal, conversion_.TargetPal, identifiedPicture_ != 0);
        palettePanel_->setUsage({});  // until this picture's is counted
        usageWanted_ = true;
    }
    showMarks();
}

void Form1::showMarks()
{
    const MarkedPixels marked{mnuViewUnmatched->isChecked(), palettePanel_->selectedSource(), palettePanel_->selectedTarget()};
    viewPass_.stop();
    // The marks shown so far go at once, and are freed on the pass's thread: a large picture's
    // take a while.
    auto released = std::make_shared<QImage>(Picture1->marks());
    Picture1->setMarks({});
    Picture2->setMarks({});
    const bool asked = usageWanted_ || marked.unmatched || marked.sourceEntry || marked.targetEntry;
    if (!asked && released->isNull())
        return;
    struct Shown {
        QImage marks;
        std::optional<PaletteUsage> usage;
    };
    auto shown = std::make_shared<Shown>();
    // The picture is shared, not copied; the state is read in place (viewPass_ is stopped before
    // it changes).
    const BackgroundPass::Work work = [shown, marked, usage = usageWanted_, picture = Picture1->image(), &state = conversion_,
                                       identified = identifiedPicture_ == shownPicture_,
                                       converted = convertedPicture_ == shownPicture_, released, asked](std::stop_token stop) {
        *released = QImage();
        if (!asked)
            return;
        const ConversionView view{picture, state, identified, converted};
        if (usage)
            shown->usage = paletteUsage(view, stop);
        shown->marks = pixelMarks(view, marked, stop);
    };
    const BackgroundPass::Done done = [this, shown](std::exception_ptr failure) {
        if (failure) {
            attempt([failure] { std::rethrow_exception(failure); });
            return;
        }
        if (shown->usage) {
            palettePanel_->setUsage(*shown->usage);
            usageWanted_ = false;
        }
        Picture1->setMarks(shown->marks);
        Picture2->setMarks(shown->marks);
    };
    if (pixels() < runner_.backgroundPixels()) {  // too small to be worth a thread
        std::exception_ptr failure;
        try {
            work({});
        } catch (...) {
            failure = std::current_exception();
        }
        done(failure);
        return;
    }
    viewPass_.start(work, done);
}

void Form1::stopViewPass()
{
    if (viewPass_.isPending()) {
        viewPass_.stop();
        usageWanted_ = false;
        const QSignalBlocker quiet(mnuViewUnmatched);
        mnuViewUnmatched->setChecked(false);
    }
    palettePanel_->letGo();
}

int Form1::statusWidth() const
{
    // Room for the longest step text, the inspector's longest text and a note on a picture of up
    // to 9,999,999 pixels, so that the window need not change its width whatever they say.
    if (!pixelInspector)
        return 0;
    return SB1->minimumSizeHint().width() + SB1->fontMetrics().horizontalAdvance(unmatchedNote(8888888, 8888888));
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == palettePanel_ && event->type() == QEvent::Hide)
        mnuViewPalettes->setChecked(false);
    if (event->type() == QEvent::Wheel && scrollArea2_
        && (watched == scrollArea_->viewport() || watched == scrollArea2_->viewport())) {
        auto* const wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // A notched wheel turns 120 eighths of a degree a step; a touchpad adds smaller turns up.
            wheelTurn_ += wheel->angleDelta().y();
            for (; wheelTurn_ >= 120; wheelTurn_ -= 120)
                setZoom(zoomedIn(zoom_));
            for (; wheelTurn_ <= -120; wheelTurn_ += 120)
                setZoom(zoomedOut(zoom_));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace palshift
