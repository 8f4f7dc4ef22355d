#include "tests/window/palette_choice_fixture.h"

#include "app/palette_panel.h"

#include <QLabel>

namespace palshift::test {
namespace {

// Until a choice is made the dialog offers the palettes found beside the program; each grid shows
// its palette as read in the format chosen, or the reason it cannot be read, with OK held back.
TEST_F(PaletteChoiceTest, GridsShowEachPaletteAsItIsRead)
{
    choosePalettes([this](PalettesDialog& dialog) {
        EXPECT_EQ(dialog.source().file->text(), path("diablo.pal"));
        EXPECT_EQ(dialog.target().file->text(), path("diablo2.pal"));
        EXPECT_EQ(swatchColour(dialog.source().grid, 1), qRgb(255, 0, 0));
        EXPECT_EQ(swatchColour(dialog.target().grid, 7), qRgb(250, 10, 10));

        selectFormat(dialog.source(), "bgr");
        EXPECT_EQ(swatchColour(dialog.source().grid, 1), qRgb(0, 0, 255));
        selectFormat(dialog.source(), "jasc");
        EXPECT_FALSE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
        selectFormat(dialog.source(), "auto");
        EXPECT_TRUE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());

        // A typed name is read once typed (the focus moving on, or OK), not at every key.
        QLineEdit* const file = dialog.source().file;
        QTest::keyClicks(file, "x");
        EXPECT_EQ(dialog.source().problem->text(), "");
        QFocusEvent focusMovesOn(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(file, &focusMovesOn);
        EXPECT_TRUE(dialog.source().problem->text().contains("diablo.palx")) << dialog.source().problem->text().toStdString();
        file->setText(path("diablo.pal"));
        QTest::keyClicks(file, "x");
        dialog.buttons()->button(QDialogButtonBox::Ok)->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
        file->setText(path("diablo.pal"));
    });
}

// The dialog shows a path whole and keeps its layout when a reason appears under a grid; its title
// is not the palette panel's.
TEST_F(PaletteChoiceTest, TheDialogShowsPathsAndStaysStill)
{
    choosePalettes([this](PalettesDialog& dialog) {
        EXPECT_NE(dialog.windowTitle(), window->palettePanel()->windowTitle());
        const QLineEdit* const file = dialog.source().file;
        EXPECT_GE(file->width(), file->fontMetrics().horizontalAdvance("/home/someone/games/palettes/diablo.pal"));
        const QSize size = dialog.size();
        const QRect ok = dialog.buttons()->geometry();
        dialog.source().file->setText(path("missing.pal"));  // a reason of two lines or three
        ASSERT_FALSE(dialog.source().problem->text().isEmpty());
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.size(), size);
        const QLabel* const problem = dialog.source().problem;
        EXPECT_GE(problem->height(), problem->heightForWidth(problem->width())) << "the reason is cut short";
        EXPECT_EQ(dialog.buttons()->geometry(), ok);
        dialog.source().file->setText(path("diablo.pal"));
    });
}

// The choice is stored at once and is what the next run starts from; "Load Pals" reads the files
// chosen in the formats chosen.
TEST_F(PaletteChoiceTest, TheChoiceIsRememberedAndLoaded)
{
    const QString other = path("diablo2.pal");
    choosePalettes([&](PalettesDialog& dialog) {
        dialog.source().file->setText(other);
        selectFormat(dialog.source(), "bgr");
        selectFormat(dialog.target(), "rgb");
        dialog.transparentIndex()->setValue(200);
        dialog.unmatched()->setCurrentIndex(dialog.unmatched()->findData(int(UnmatchedRule::Fail)));
    });
    const std::optional<PaletteChoice> choice = Settings().paletteChoice();
    ASSERT_TRUE(choice);
    EXPECT_EQ(std::tuple(choice->files.source, choice->formats.source, choice->formats.target, choice->rules.transparentIndex, choice->rules.unmatched),
              std::tuple(other, PaletteFormat::Bgr, PaletteFormat::Rgb, std::optional<std::uint8_t>(200), UnmatchedRule::Fail));

    Form1 next(folder.path(), std::make_unique<ScriptedFileDialog>(), std::make_unique<RecordingMessageBoxes>());
    QTimer::singleShot(0, [&] {
        auto* const dialog = qobject_cast<PalettesDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->source().file->text(), other);
        EXPECT_EQ(swatchColour(dialog->source().grid, 7), qRgb(10, 10, 250));
        dialog->source().file->setText(path("diablo.pal"));
        dialog->reject();  // a cancelled dialog changes nothing
    });
    next.mnuFilePalettes->trigger();
    EXPECT_EQ(Settings().paletteChoice()->files.source, other);

    chooseRules(std::nullopt, UnmatchedRule::Zero);
    EXPECT_TRUE(window->Command1_Click());
    EXPECT_EQ(window->conversion().SourcePal[7], (Rgb{10, 10, 250}));
    EXPECT_EQ(window->conversion().TargetPal[7], (Rgb{250, 10, 10}));
}

}  // namespace
}  // namespace palshift::test
