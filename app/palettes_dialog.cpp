#include "app/palettes_dialog.h"

#include "app/palette_grid.h"
#include "palettes/palette_formats.h"
#include "pictures/palette_picture.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace palshift {

namespace {

constexpr PaletteFormat formats[] = {PaletteFormat::Auto, PaletteFormat::Rgb,  PaletteFormat::Bgr, PaletteFormat::Jasc,
                                     PaletteFormat::Act,  PaletteFormat::Gpl,  PaletteFormat::Riff, PaletteFormat::Picture};

PaletteFormat chosenFormat(const QComboBox* box)
{
    return static_cast<PaletteFormat>(box->currentData().toInt());
}

}  // namespace

PalettesDialog::PalettesDialog(const PaletteChoice& initial, QWidget* parent)
    : QDialog(parent), source_(makeSide(initial.files.source, initial.formats.source)),
      target_(makeSide(initial.files.target, initial.formats.target)), transparentIndex_(new QSpinBox(this)),
      unmatched_(new QComboBox(this)), buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("Palette Files"));  // View > Palettes is "Palettes"

    transparentIndex_->setRange(-1, 255);
    transparentIndex_->setSpecialValueText(QStringLiteral("None"));
    transparentIndex_->setValue(initial.rules.transparentIndex ? *initial.rules.transparentIndex : -1);
    transparentIndex_->setToolTip(QStringLiteral("Pixels less than half opaque become this Diablo 2 entry, "
                                                 "and no other pixel does."));
    unmatched_->addItem(QStringLiteral("Entry 0, with a warning"), int(UnmatchedRule::Zero));
    unmatched_->addItem(QStringLiteral("Nearest Diablo 2 colour"), int(UnmatchedRule::Nearest));
    unmatched_->addItem(QStringLiteral("Refuse the picture"), int(UnmatchedRule::Fail));
    unmatched_->setCurrentIndex(unmatched_->findData(int(initial.rules.unmatched)));

    auto* const palettes = new QGridLayout;
    int column = 0;
    for (const auto& [side, title] : {std::pair{&source_, "Diablo 1 palette"}, std::pair{&target_, "Diablo 2 palette"}}) {
        auto* const browse = new QPushButton(QStringLiteral("Browse..."), this);
        auto* const fileRow = new QHBoxLayout;
        fileRow->addWidget(side->file, 1);
        fileRow->addWidget(browse);
        palettes->addWidget(new QLabel(QString::fromLatin1(title), this), 0, column);
        palettes->addLayout(fileRow, 1, column);
        palettes->addWidget(side->format, 2, column);
        palettes->addWidget(side->grid, 3, column);
        palettes->addWidget(side->problem, 4, column);
        ++column;

        const Side* const shown = side;
        connect(browse, &QPushButton::clicked, this, [this, shown] {
            const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Palette"),
                                                              QFileInfo(shown->file->text()).absolutePath());
            if (!file.isEmpty())
                shown->file->setText(file);
        });
        // Typing reads the file once it is done (Return, or the focus moving on), not at every key;
        // a name set by Browse or by a program is read at once.
        connect(side->file, &QLineEdit::textChanged, this, [this, shown] {
            if (!shown->file->isModified())
                showPalette(*shown);
        });
        connect(side->file, &QLineEdit::editingFinished, this, [this, shown] {
            if (shown->file->isModified())
                showPalette(*shown);
        });
        connect(side->format, &QComboBox::currentIndexChanged, this, [this, shown] { showPalette(*shown); });
    }

    auto* const rules = new QFormLayout;
    rules->addRow(QStringLiteral("&Transparent index:"), transparentIndex_);
    rules->addRow(QStringLiteral("&Off-palette colours:"), unmatched_);

    auto* const layout = new QVBoxLayout(this);
    layout->addLayout(palettes);
    layout->addLayout(rules);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        for (const Side* side : {&source_, &target_})
            if (side->file->isModified())  // typed, and OK reached with the focus still there
                showPalette(*side);
        if (buttons_->button(QDialogButtonBox::Ok)->isEnabled())
            accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    showPalette(source_);
    showPalette(target_);
}

PalettesDialog::Side PalettesDialog::makeSide(const QString& file, PaletteFormat format)
{
    Side side{new QLineEdit(file, this), new QComboBox(this), new PaletteGrid(this), new QLabel(this)};
    for (const PaletteFormat each : formats)
        side.format->addItem(paletteFormatName(each), int(each));
    side.format->setCurrentIndex(side.format->findData(int(format)));
    side.problem->setWordWrap(true);
    side.problem->setMaximumWidth(side.grid->sizeHint().width() * 3 / 2);
    // Room for a path, and for a reason of three lines before it comes, so that nothing moves when it does.
    side.file->setMinimumWidth(side.file->fontMetrics().averageCharWidth() * 50);
    side.problem->setMinimumHeight(side.problem->fontMetrics().lineSpacing() * 3);
    side.problem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return side;
}

void PalettesDialog::showPalette(const Side& side)
{
    side.file->setModified(false);
    try {
        side.grid->setColours(readPalette(side.file->text(), chosenFormat(side.format), decodePicturePalette).colours);
        side.grid->setEnabled(true);
        side.problem->clear();
    } catch (const std::exception& failure) {
        side.grid->setColours({});
        side.grid->setEnabled(false);
        side.problem->setText(side.file->text().isEmpty() ? QStringLiteral("No file chosen")
                                                          : QString::fromStdString(failure.what()));
    }
    updateOk();
}

void PalettesDialog::updateOk()
{
    if (buttons_)
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(source_.problem->text().isEmpty()
                                                           && target_.problem->text().isEmpty());
}

PaletteChoice PalettesDialog::choice() const
{
    PaletteChoice chosen;
    chosen.files = {source_.file->text(), target_.file->text()};
    chosen.formats = {chosenFormat(source_.format), chosenFormat(target_.format)};
    chosen.rules.unmatched = static_cast<UnmatchedRule>(unmatched_->currentData().toInt());
    if (transparentIndex_->value() >= 0)
        chosen.rules.transparentIndex = static_cast<std::uint8_t>(transparentIndex_->value());
    return chosen;
}

}  // namespace palshift
