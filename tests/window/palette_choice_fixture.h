#pragma once

#include "app/palette_grid.h"
#include "app/palettes_dialog.h"
#include "tests/window/window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

#include <functional>

namespace palshift::test {

inline void forgetPaletteChoice()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, "palshift", "palshift").remove("palettes");
}

inline QRgb swatchColour(const PaletteGrid* grid, int entry)
{
    return shown(const_cast<PaletteGrid*>(grid)).pixel(grid->swatchRect(entry).center());
}

inline void selectFormat(const PalettesDialog::Side& side, const char* name)
{
    side.format->setCurrentIndex(side.format->findText(QString::fromLatin1(name)));
}

// A window whose palette choice starts and ends forgotten, so that no other test sees it.
class PaletteChoiceTest : public WindowTest {
protected:
    PaletteChoiceTest() { forgetPaletteChoice(); }
    ~PaletteChoiceTest() override { forgetPaletteChoice(); }

    // Opens File > Palettes..., lets answer fill the dialog and closes it with OK.
    void choosePalettes(const std::function<void(PalettesDialog&)>& answer)
    {
        QTimer::singleShot(0, [answer] {
            auto* const dialog = qobject_cast<PalettesDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            answer(*dialog);
            dialog->buttons()->button(QDialogButtonBox::Ok)->click();
            if (dialog->isVisible()) {  // refused: closed, rather than left for the test to hang on
                ADD_FAILURE() << "OK did not close the dialog";
                dialog->reject();
            }
        });
        window->mnuFilePalettes->trigger();
    }
    void chooseRules(std::optional<int> transparent, UnmatchedRule unmatched)
    {
        choosePalettes([=](PalettesDialog& dialog) {
            dialog.transparentIndex()->setValue(transparent.value_or(-1));
            dialog.unmatched()->setCurrentIndex(dialog.unmatched()->findData(int(unmatched)));
        });
    }
};

}  // namespace palshift::test
