#include "tests/window/window_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QScopeGuard>

namespace palshift::test {
namespace {

// "Load Pals" looks the palettes up each time it runs: beside the program, then in the user's data
// folder (XDG_DATA_HOME/palshift here), then in ../share/palshift; with neither, no step starts and
// the message names every place.
TEST_F(WindowTest, LoadPalsLooksThePalettesUpEachTime)
{
    const auto restore = qScopeGuard([dataHome = qgetenv("XDG_DATA_HOME"), name = QCoreApplication::applicationName()] {
        qputenv("XDG_DATA_HOME", dataHome);
        QCoreApplication::setApplicationName(name);
    });
    qputenv("XDG_DATA_HOME", path("data").toLocal8Bit());
    QCoreApplication::setApplicationName(QStringLiteral("palshift"));
    ASSERT_TRUE(QDir().mkpath(path("data/palshift")) && QFile::rename(path("diablo.pal"), path("data/palshift/diablo.pal")));

    window->mbuConvert->trigger();
    EXPECT_TRUE(messages->failures.isEmpty()) << messages->failures.join('\n').toStdString();
    EXPECT_EQ(window->conversion().SourcePal[1], (Rgb{255, 0, 0}));

    ASSERT_TRUE(QFile::remove(path("data/palshift/diablo.pal")));
    statusTexts.clear();
    window->mbuConvert->trigger();
    EXPECT_EQ(statusTexts, QStringList());
    EXPECT_EQ(messages->failures, QStringList("Cannot open diablo.pal: none of " + path("diablo.pal") + ", " + path("data/palshift/diablo.pal")
                                              + " or " + QDir::cleanPath(path("../share/palshift/diablo.pal")) + " exists"));
}

}  // namespace
}  // namespace palshift::test
