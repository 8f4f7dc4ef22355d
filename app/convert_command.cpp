#include "app/convert_command.h"

#include "app/headless_conversion.h"
#include "convert/palette_lookup.h"
#include "platform/file_error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <thread>
#include <unistd.h>
#include <vector>

namespace palshift {

namespace {

struct Job {
    QString input;
    QString output;
};

class UsageError {
public:
    explicit UsageError(QString message) : message(std::move(message)) {}
    QString message;
};

void printLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

QString sameFileKey(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

std::vector<Job> plannedJobs(const QStringList& inputs, const QString& output, const QString& outputDir)
{
    if (inputs.isEmpty())
        throw UsageError(QStringLiteral("no picture to convert was given"));
    if (!output.isEmpty() && !outputDir.isEmpty())
        throw UsageError(QStringLiteral("give either -o or --output-dir, not both"));
    if (output.isEmpty() && outputDir.isEmpty())
        throw UsageError(QStringLiteral("say where to write: -o OUTPUT for one picture, --output-dir DIR for several"));
    if (!output.isEmpty() && inputs.size() > 1)
        throw UsageError(QStringLiteral("-o takes one picture; use --output-dir DIR for %1").arg(inputs.size()));

    std::vector<Job> jobs;
    if (!output.isEmpty()) {
        jobs.push_back({inputs.front(), output});
    } else {
        if (!QFileInfo(outputDir).isDir())
            throw UsageError(QStringLiteral("%1: no such folder").arg(outputDir));
        const QDir dir(outputDir);
        for (const QString& input : inputs)
            jobs.push_back({input, dir.filePath(QFileInfo(input).completeBaseName() + QStringLiteral(".bmp"))});
    }

    // Refused before any work: one output written twice, or an input replaced by its own result.
    QHash<QString, QString> inputOf;
    for (const Job& job : jobs) {
        const QString key = sameFileKey(job.output);
        if (inputOf.contains(key))
            throw UsageError(QStringLiteral("%1 and %2 would both be written to %3")
                                 .arg(inputOf.value(key), job.input, job.output));
        inputOf.insert(key, job.input);
    }
    for (const Job& job : jobs)
        if (sameFileKey(job.input) == sameFileKey(job.output))
            throw UsageError(QStringLiteral("%1 would be written over its own input").arg(job.output));
    return jobs;
}

QString failureMessage(const Job& job, const std::exception& failure)
{
    if (dynamic_cast<const FileError*>(&failure))
        return QString::fromStdString(failure.what());
    if (dynamic_cast<const std::bad_alloc*>(&failure))
        return QStringLiteral("%1: not enough memory to convert it").arg(job.input);
    return QStringLiteral("%1: %2").arg(job.input, QString::fromStdString(failure.what()));
}

// Converts every job on all cores; messages and progress go to stderr. True when all converted.
bool convertAll(const std::vector<Job>& jobs, const ConversionState& palettes)
{
    const bool showProgress = jobs.size() > 1 && isatty(fileno(stderr));
    std::mutex reporting;
    std::atomic<std::size_t> nextJob{0};
    std::size_t finished = 0;
    bool allConverted = true;

    const auto report = [&](const QString& message) {
        if (showProgress)
            std::fputs("\r\033[K", stderr);
        if (!message.isEmpty())
            printLine(QStringLiteral("palshift: ") + message);
        if (showProgress)
            std::fprintf(stderr, "%zu of %zu pictures done", finished, jobs.size());
        std::fflush(stderr);
    };

    const auto work = [&] {
        for (std::size_t index = nextJob++; index < jobs.size(); index = nextJob++) {
            const Job& job = jobs[index];
            QString message;
            bool converted = true;
            try {
                const ConversionReport result = convertPicture(palettes, job.input, job.output);
                if (result.unmatchedPixels > 0)
                    message = QStringLiteral("warning: %1: %2 of %3 pixels match no colour of the Diablo 1 "
                                             "palette and were converted as entry 0")
                                  .arg(job.input, QString::number(result.unmatchedPixels),
                                       QString::number(result.pixels));
            } catch (const std::exception& failure) {
                message = failureMessage(job, failure);
                converted = false;
            }
            const std::lock_guard lock(reporting);
            ++finished;
            allConverted = allConverted && converted;
            if (!message.isEmpty() || showProgress)
                report(message);
        }
    };

    const std::size_t threads =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, jobs.size());
    std::vector<std::jthread> workers;
    for (std::size_t t = 1; t < threads; ++t)
        workers.emplace_back(work);
    work();
    workers.clear();
    if (showProgress)
        std::fputs("\n", stderr);
    return allConverted;
}

}  // namespace

int runCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts pictures drawn in the Diablo 1 palette to 8-bit BMP files in the Diablo 2 palette.\n"
        "Each pixel takes the lowest Diablo 1 entry of exactly its colour (entry 0 when there is\n"
        "none), then the nearest Diablo 2 entry. :/startup.bmp is the built-in start-up picture.\n"
        "A palette that is not given is looked up beside palshift, then in the user's data folder\n"
        "(~/.local/share/palshift), then in the installed share/palshift."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the one picture's result to <file>."), QStringLiteral("file"));
    const QCommandLineOption outputDir(QStringLiteral("output-dir"),
                                       QStringLiteral("Write each result to <dir>, named after its picture with .bmp."),
                                       QStringLiteral("dir"));
    const QCommandLineOption sourcePal(QStringLiteral("source-pal"),
                                       QStringLiteral("Diablo 1 palette (default: the first diablo.pal found)."),
                                       QStringLiteral("file"));
    const QCommandLineOption targetPal(QStringLiteral("target-pal"),
                                       QStringLiteral("Diablo 2 palette (default: the first diablo2.pal found)."),
                                       QStringLiteral("file"));
    parser.addOptions({output, outputDir, sourcePal, targetPal});
    parser.addPositionalArgument(QStringLiteral("convert"), QStringLiteral("The command."),
                                 QStringLiteral("convert"));
    parser.addPositionalArgument(QStringLiteral("pictures"), QStringLiteral("Pictures to convert."),
                                 QStringLiteral("INPUT..."));

    try {
        if (!parser.parse(arguments))
            throw UsageError(parser.errorText());
        if (parser.isSet(help)) {
            std::fputs(qPrintable(parser.helpText()), stdout);
            return ExitConverted;
        }
        if (parser.isSet(version)) {
            std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                        qPrintable(QCoreApplication::applicationVersion()));
            return ExitConverted;
        }
        QStringList positional = parser.positionalArguments();
        if (positional.isEmpty() || positional.takeFirst() != QStringLiteral("convert"))
            throw UsageError(QStringLiteral("the command is convert"));
        const std::vector<Job> jobs = plannedJobs(positional, parser.value(output), parser.value(outputDir));

        PaletteFiles files;  // those not given are looked up below
        if (parser.isSet(sourcePal))
            files.source = parser.value(sourcePal);
        if (parser.isSet(targetPal))
            files.target = parser.value(targetPal);
        ConversionState palettes;
        try {
            files = lookUpPaletteFiles(QCoreApplication::applicationDirPath(), files);
            readPaletteFile(files.source, palettes.SourcePal, palettes.PalCounter);
            readPaletteFile(files.target, palettes.TargetPal, palettes.PalCounter);
        } catch (const FileError& failure) {
            printLine(QStringLiteral("palshift: %1; nothing was converted").arg(QString::fromStdString(failure.what())));
            return ExitFailed;
        }
        return convertAll(jobs, palettes) ? ExitConverted : ExitFailed;
    } catch (const UsageError& usage) {
        printLine(QStringLiteral("palshift: ") + usage.message);
        printLine(QStringLiteral("Try 'palshift --help' for more information."));
        return ExitUsage;
    }
}

}  // namespace palshift
