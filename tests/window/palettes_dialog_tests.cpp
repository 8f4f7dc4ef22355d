#include "tests/window/palette_choice_fixture.h"

#include <QLabel>

namespace palshift::test {
namespace {

// JASC-PAL text with red at entry 5, green at 6 and blue at 7, the rest black.
QByteArray jascPalette()
{
    QByteArray text = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int entry = 0; entry < 256; ++entry)
        text += entry == 5 ? "255 0 0\r\n" : entry == 6 ? "0 255 0\r\n" : entry == 7 ? "0 0 255\r\n" : "0 0 0\r\n";
    return text;
}

// Until a choice is made the dialog offers the palettes found beside the program; each grid shows
// its palette as read in the format chosen, or the reason it cannot be read, with OK held back.
TEST_F(PaletteChoiceTest, GridsShowEachPaletteAsItIsRead)
{
    choosePalettes([this](PalettesDialog& dialog) {
        EXPECT_EQ(dialog.source().file->text(), path("diablo.pal"));
        EXPECT_EQ(dialog.target().file->text(), path("diablo2.pal"));
        EXPECT_EQ(dialog.source().format->currentText(), "auto");
        EXPECT_EQ(dialog.transparentIndex()->text(), "None");
        EXPECT_EQ(dialog.unmatched()->currentData().toInt(), int(UnmatchedRule::Zero));
        EXPECT_EQ(swatchColour(dialog.source().grid, 1), qRgb(255, 0, 0));
        EXPECT_EQ(swatchColour(dialog.source().grid, 3), qRgb(0, 0, 255));
        EXPECT_EQ(swatchColour(dialog.source().grid, 16), qRgb(0, 0, 0));
        EXPECT_EQ(swatchColour(dialog.target().grid, 7), qRgb(250, 10, 10));
        EXPECT_EQ(swatchColour(dialog.target().grid, 8), qRgb(128, 128, 128));
        EXPECT_EQ(swatchColour(dialog.target().grid, 255), qRgb(128, 128, 128));

        selectFormat(dialog.source(), "bgr");
        EXPECT_EQ(swatchColour(dialog.source().grid, 1), qRgb(0, 0, 255));
        selectFormat(dialog.source(), "jasc");
        EXPECT_TRUE(dialog.source().problem->text().contains(path("diablo.pal"))) << dialog.source().problem->text().toStdString();
        EXPECT_FALSE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
        EXPECT_EQ(swatchColour(dialog.source().grid, 1), qRgb(0, 0, 0));
        selectFormat(dialog.source(), "auto");
        dialog.target().file->setText(path("missing.pal"));
        EXPECT_TRUE(dialog.target().problem->text().contains(path("missing.pal")));
        EXPECT_FALSE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
        dialog.target().file->setText(path("diablo2.pal"));
        EXPECT_TRUE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
    });
}

// The choice is stored at once and is what the next run starts from; "Load Pals" reads the files
// chosen in the formats chosen.
TEST_F(PaletteChoiceTest, TheChoiceIsRememberedAndLoaded)
{
    const QString jasc = writeFile("d1.jasc", jascPalette());
    choosePalettes([&](PalettesDialog& dialog) {
        dialog.source().file->setText(jasc);
        selectFormat(dialog.source(), "jasc");
        selectFormat(dialog.target(), "rgb");
        dialog.transparentIndex()->setValue(200);
        dialog.unmatched()->setCurrentIndex(dialog.unmatched()->findData(int(UnmatchedRule::Fail)));
    });
    for (const std::optional<PaletteChoice>& choice : {window->settings().paletteChoice(), Settings().paletteChoice()}) {
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->files.source, jasc);
        EXPECT_EQ(choice->files.target, path("diablo2.pal"));
        EXPECT_EQ(choice->formats.source, PaletteFormat::Jasc);
        EXPECT_EQ(choice->formats.target, PaletteFormat::Rgb);
        EXPECT_EQ(choice->rules.transparentIndex, std::optional<std::uint8_t>(200));
        EXPECT_EQ(choice->rules.unmatched, UnmatchedRule::Fail);
    }

    Form1 next(folder.path(), std::make_unique<ScriptedFileDialog>(), std::make_unique<RecordingMessageBoxes>());
    QTimer::singleShot(0, [&] {
        auto* const dialog = qobject_cast<PalettesDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->source().file->text(), jasc);
        EXPECT_EQ(dialog->source().format->currentText(), "jasc");
        EXPECT_EQ(dialog->target().format->currentText(), "rgb");
        EXPECT_EQ(dialog->transparentIndex()->value(), 200);
        EXPECT_EQ(swatchColour(dialog->source().grid, 6), qRgb(0, 255, 0));
        dialog->source().file->setText(path("diablo.pal"));
        dialog->reject();  // a cancelled dialog changes nothing
    });
    next.mnuFilePalettes->trigger();
    EXPECT_EQ(Settings().paletteChoice()->files.source, jasc);
    chooseRules(0, UnmatchedRule::Fail);
    EXPECT_EQ(window->settings().paletteChoice()->rules.transparentIndex, std::optional<std::uint8_t>(0));

    chooseRules(std::nullopt, UnmatchedRule::Zero);
    EXPECT_TRUE(window->Command1_Click());
    EXPECT_EQ(window->conversion().SourcePal[6], (Rgb{0, 255, 0}));
    EXPECT_EQ(window->conversion().SourcePal[1], (Rgb{0, 0, 0}));
    EXPECT_EQ(window->conversion().TargetPal[7], (Rgb{250, 10, 10}));
    EXPECT_EQ(window->conversion().PalCounter, 256);
}

// Values edited by hand into something unknown fall back to the defaults; a choice needs both files.
TEST_F(PaletteChoiceTest, StoredValuesAreCheckedOnReading)
{
    {
        QSettings stored(QSettings::IniFormat, QSettings::UserScope, "palshift", "palshift");
        stored.setValue("palettes/source", "a.pal");
        stored.setValue("palettes/target", "b.pal");
        stored.setValue("palettes/sourceFormat", "tga");
        stored.setValue("palettes/targetFormat", "bgr");
        stored.setValue("palettes/transparentIndex", "256");
        stored.setValue("palettes/unmatched", "nearer");
    }
    std::optional<PaletteChoice> choice = Settings().paletteChoice();
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->formats.source, PaletteFormat::Auto);
    EXPECT_EQ(choice->formats.target, PaletteFormat::Bgr);
    EXPECT_EQ(choice->rules.transparentIndex, std::nullopt);
    EXPECT_EQ(choice->rules.unmatched, UnmatchedRule::Zero);
    QSettings(QSettings::IniFormat, QSettings::UserScope, "palshift", "palshift").setValue("palettes/transparentIndex", "0");
    EXPECT_EQ(Settings().paletteChoice()->rules.transparentIndex, std::optional<std::uint8_t>(0));
    QSettings(QSettings::IniFormat, QSettings::UserScope, "palshift", "palshift").setValue("palettes/transparentIndex", "255");
    EXPECT_EQ(Settings().paletteChoice()->rules.transparentIndex, std::optional<std::uint8_t>(255));
    QSettings(QSettings::IniFormat, QSettings::UserScope, "palshift", "palshift").remove("palettes/target");
    EXPECT_EQ(Settings().paletteChoice().has_value(), false);
}

}  // namespace
}  // namespace palshift::test
