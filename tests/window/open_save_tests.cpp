#include "tests/window/window_fixture.h"

#include <QDir>
#include <QFile>

namespace palshift::test {
namespace {

class WindowOpenSave : public WindowTest {
protected:
    // A picture opened and converted, so that there are results to lose.
    QString openAndConvert()
    {
        const QString file = writePicture("picture.png", testPicture());
        open(file);
        window->mbuConvert->trigger();
        EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>({7, 9, 11, 4, 4, 7}));
        statusTexts.clear();
        return file;
    }

    // Whatever an open could change.
    QList<QVariant> snapshot() const
    {
        return {window->Picture1->image(), window->Picture2->grab().toImage(), window->Picture2->geometry(), window->size(),
                QVariant::fromValue(values(window->conversion().SourceIndexMap)),
                QVariant::fromValue(values(window->conversion().TargetIndexMap)), window->openFileName(), window->SB1->text()};
    }

    QStringList bmpFiles() const { return QDir(folder.path()).entryList({"*.bmp*", "*.BMP*"}, QDir::Files); }
};

TEST_F(WindowOpenSave, OpenShowsThePictureWithZeroedMapsAndABlankResult)
{
    window->mbuConvert->trigger();  // a result for the start-up picture, to be cleared
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 255));
    const QString file = writePicture("wide.png", picture);
    statusTexts.clear();

    open(file);
    EXPECT_EQ(dialog->openPresets, QStringList{""});
    EXPECT_EQ(window->openFileName(), file);
    EXPECT_EQ(window->Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(window->Picture2->geometry(), QRect(101, 0, 100, 50));
    EXPECT_TRUE(window->Picture2->image().isNull()) << "the earlier result is still painted";
    EXPECT_EQ(QSize(window->conversion().SourceIndexMap.width(), window->conversion().SourceIndexMap.height()), QSize(100, 50));
    EXPECT_EQ(values(window->conversion().SourceIndexMap), QList<int>(5000, 0));
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>(5000, 0));
    EXPECT_EQ(window->Command1->y(), 50);
    EXPECT_TRUE(statusTexts.isEmpty());
}

TEST_F(WindowOpenSave, CancelChangesNothingAndTheSameFileLoadsAgain)
{
    const QString file = openAndConvert();
    const QList<QVariant> before = snapshot();
    open(cancelled);
    EXPECT_EQ(dialog->openPresets, QStringList({"", file}));
    EXPECT_EQ(snapshot(), before);

    QImage changed = testPicture();  // same size, so only a reload shows the change
    changed.fill(qRgb(0, 255, 0));
    ASSERT_TRUE(changed.save(file));
    open(file);
    EXPECT_EQ(window->Picture1->image().convertToFormat(QImage::Format_RGB32), changed);
    EXPECT_TRUE(window->Picture2->image().isNull()) << "the earlier result is still painted";
    EXPECT_EQ(values(window->conversion().TargetIndexMap), QList<int>(6, 0));
}

TEST_F(WindowOpenSave, FailedOpenLeavesTheWindowAsItWasResultsIncluded)
{
    openAndConvert();
    const QList<QVariant> before = snapshot();
    QFile broken(path("broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG this is no picture");
    broken.close();

    for (const QString& chosen : {path("broken.png"), path("missing.bmp"), path("broken.png")}) {
        messages->failures.clear();
        open(chosen);
        ASSERT_EQ(messages->failures.size(), 1) << chosen.toStdString();  // tried again: its name was not kept
        EXPECT_TRUE(messages->failures[0].contains(chosen)) << messages->failures[0].toStdString();
        EXPECT_EQ(snapshot(), before) << chosen.toStdString();
    }
}

TEST_F(WindowOpenSave, SaveWritesTheResultAndAppendsBmpUnlessTheNameEndsInExactlyBmp)
{
    openAndConvert();
    save(path("out"));
    EXPECT_EQ(statusTexts, QStringList({"Saving...", "Ready..."}));
    const QImage saved(path("out.bmp"));
    ASSERT_EQ(saved.format(), QImage::Format_Indexed8);
    ASSERT_EQ(saved.size(), QSize(3, 2));
    const int indices[] = {7, 9, 11, 4, 4, 7};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(saved.pixelIndex(i % 3, i / 3), indices[i]) << "pixel " << i;
    EXPECT_EQ(saved.color(9), qRgb(10, 250, 10));
    EXPECT_EQ(saved.color(200), qRgb(128, 128, 128));

    for (const char* chosen : {"plain.bmp", "upper.BMP", "short.bm"})
        save(path(chosen));
    EXPECT_EQ(bmpFiles(), QStringList({"out.bmp", "plain.bmp", "short.bm.bmp", "upper.BMP.bmp"}));
    EXPECT_TRUE(messages->replaceAsked.isEmpty());
}

TEST_F(WindowOpenSave, CancelledSaveWritesNothingAndSavePictureKeepsTheLastName)
{
    openAndConvert();
    dialog->saveAnswers.push_back(cancelled);
    click(window->Command4);  // no name yet: asks for one
    save(cancelled);
    EXPECT_EQ(dialog->saveShown, 2);
    EXPECT_TRUE(bmpFiles().isEmpty());
    EXPECT_TRUE(statusTexts.isEmpty());

    save(path("first"));
    ASSERT_TRUE(QFile::remove(path("first.bmp")));
    save(cancelled);
    EXPECT_TRUE(bmpFiles().isEmpty());
    click(window->Command4);  // writes to the name chosen last, without asking
    EXPECT_EQ(dialog->saveShown, 4);
    EXPECT_EQ(QImage(path("first.bmp")).size(), QSize(3, 2));
    EXPECT_TRUE(messages->failures.isEmpty());
}

TEST_F(WindowOpenSave, AsksBeforeReplacingAFileThatTheAppendedNameHits)
{
    openAndConvert();
    QFile kept(path("kept.bmp"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("not to be lost");
    kept.close();
    messages->replaceAnswers = {false, true};

    save(path("kept"));
    EXPECT_EQ(messages->replaceAsked, QStringList{path("kept.bmp")});
    EXPECT_EQ(QFileInfo(path("kept.bmp")).size(), 14);
    EXPECT_TRUE(statusTexts.isEmpty());
    save(path("kept"));
    EXPECT_EQ(QImage(path("kept.bmp")).size(), QSize(3, 2));
}

TEST_F(WindowOpenSave, FailedSaveNamesTheFileAndKeepsSaving)
{
    openAndConvert();
    save(path("no such folder/out"));
    ASSERT_EQ(messages->failures.size(), 1);
    EXPECT_TRUE(messages->failures[0].contains(path("no such folder/out.bmp"))) << messages->failures[0].toStdString();
    EXPECT_EQ(statusTexts, QStringList{"Saving..."});
    EXPECT_EQ(window->SB1->text(), "Saving...");
}

}  // namespace
}  // namespace palshift::test
