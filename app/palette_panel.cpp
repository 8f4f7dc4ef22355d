#include "app/palette_panel.h"

#include "app/palette_grid.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>

namespace palshift {

namespace {

QString described(const char* palette, int entry, const Rgb& colour)
{
    return QStringLiteral("%1: %2 %3").arg(QLatin1String(palette)).arg(entry).arg(hexColour(colour));
}

}  // namespace

PalettePanel::PalettePanel(int farMatch, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      sourceGrid_(new PaletteGrid(this)),
      targetGrid_(new PaletteGrid(this)),
      info_(new QLabel(this)),
      farMatch_(new QSpinBox(this))
{
    setWindowTitle(QStringLiteral("Palettes"));
    sourceGrid_->setObjectName(QStringLiteral("sourceGrid"));
    targetGrid_->setObjectName(QStringLiteral("targetGrid"));
    farMatch_->setRange(0, 3 * 255);
    farMatch_->setValue(farMatch);
    auto* const farLabel = new QLabel(QStringLiteral("Flag matches farther than"), this);
    farLabel->setBuddy(farMatch_);

    auto* const layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Diablo 1"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Diablo 2"), this), 0, 1);
    layout->addWidget(sourceGrid_, 1, 0);
    layout->addWidget(targetGrid_, 1, 1);
    layout->addWidget(info_, 2, 0, 1, 2);
    auto* const farRow = new QHBoxLayout;
    farRow->addWidget(farLabel);
    farRow->addWidget(farMatch_);
    farRow->addStretch();
    layout->addLayout(farRow, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Wide enough for the longest text, so that the panel keeps its size while the mouse moves.
    info_->setMinimumWidth(info_->fontMetrics().horizontalAdvance(
        QStringLiteral("Diablo 1: 888 #DDDDDD → Diablo 2: 888 #DDDDDD · distance 888 ")));

    connect(sourceGrid_, &PaletteGrid::entryHovered, this, &PalettePanel::hoverSource);
    connect(targetGrid_, &PaletteGrid::entryHovered, this, &PalettePanel::hoverTarget);
    connect(sourceGrid_, &PaletteGrid::entryClicked, this, [this](int entry) { select(selectedSource_, entry); });
    connect(targetGrid_, &PaletteGrid::entryClicked, this, [this](int entry) { select(selectedTarget_, entry); });
    connect(farMatch_, &QSpinBox::valueChanged, this, [this](int distance) {
        showMarks();
        emit farMatchChanged(distance);
    });
    sayNothingHovered();
}

void PalettePanel::setPalettes(const Palette& source, const Palette& target, bool loaded)
{
    source_ = source, target_ = target, loaded_ = loaded;
    matches_ = mappingTable(source, target);  // as "New Pal" chooses
    sourceGrid_->setColours(source);
    targetGrid_->setColours(target);
    showMarks();
    showHighlights();
    sayNothingHovered();
}

void PalettePanel::setUsage(const PaletteUsage& usage)
{
    usage_ = usage;
    showMarks();
}

int PalettePanel::farMatch() const
{
    return farMatch_->value();
}

QString PalettePanel::info() const
{
    return info_->text();
}

void PalettePanel::hoverSource(int entry)
{
    hoveredSource_ = entry == PaletteGrid::noEntry || !loaded_ ? std::nullopt : std::optional(entry);
    showHighlights();
    if (!hoveredSource_) {
        sayNothingHovered();
        return;
    }
    const MappingRow& match = matches_[static_cast<std::size_t>(entry)];
    info_->setText(QStringLiteral("%1 → %2 · distance %3")
                       .arg(described("Diablo 1", entry, source_[static_cast<std::size_t>(entry)]),
                            described("Diablo 2", match.target, target_[static_cast<std::size_t>(match.target)]))
                       .arg(match.distance));
}

void PalettePanel::hoverTarget(int entry)
{
    if (entry == PaletteGrid::noEntry || !loaded_) {
        sayNothingHovered();
        return;
    }
    info_->setText(described("Diablo 2", entry, target_[static_cast<std::size_t>(entry)]));
}

void PalettePanel::select(std::optional<int>& selected, int entry)
{
    const bool again = selected == entry;
    selectedSource_.reset();
    selectedTarget_.reset();
    if (!again)
        selected = entry;
    showHighlights();
    emit selectionChanged();
}

void PalettePanel::letGo()
{
    if (!selectedSource_ && !selectedTarget_)
        return;
    selectedSource_.reset();
    selectedTarget_.reset();
    showHighlights();
    emit selectionChanged();
}

void PalettePanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        letGo();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PalettePanel::showMarks()
{
    const std::bitset<256> far = loaded_ ? farMatches(matches_, farMatch_->value()) : std::bitset<256>();
    PaletteGrid::Marks source{}, target{};
    for (std::size_t entry = 0; entry < 256; ++entry) {
        source[entry] = (far.test(entry) ? PaletteGrid::Flagged : PaletteGrid::None)
                        | (usage_.source.test(entry) ? PaletteGrid::Used : PaletteGrid::None);
        target[entry] = usage_.target.test(entry) ? PaletteGrid::Used : PaletteGrid::None;
    }
    sourceGrid_->setMarks(source);
    targetGrid_->setMarks(target);
}

void PalettePanel::showHighlights()
{
    // In the Diablo 2 palette: the match of the entry pointed at, else the entry selected, else
    // the match of the Diablo 1 entry selected.
    const auto match = [this](std::optional<int> entry) {
        return entry && loaded_ ? std::optional<int>(matches_[static_cast<std::size_t>(*entry)].target) : std::nullopt;
    };
    sourceGrid_->setHighlighted(selectedSource_.value_or(PaletteGrid::noEntry));
    const std::optional<int> target = match(hoveredSource_) ? match(hoveredSource_)
                                      : selectedTarget_     ? selectedTarget_
                                                            : match(selectedSource_);
    targetGrid_->setHighlighted(target.value_or(PaletteGrid::noEntry));
}

void PalettePanel::sayNothingHovered()
{
    info_->setText(loaded_ ? QStringLiteral("Point at an entry; click to show its pixels.")
                           : QStringLiteral("The palettes show once Load Pals has read them."));
}

}  // namespace palshift
