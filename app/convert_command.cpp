#include "app/convert_command.h"

#include "app/batch.h"
#include "convert/conversion_job.h"
#include "convert/dc6_conversion.h"
#include "convert/mapping_table.h"
#include "convert/palette_file.h"
#include "palettes/palette_lookup.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "platform/standard_input.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace palshift {

namespace {

const QString standardStream = QStringLiteral("-");

struct Job {
    QString input;
    QString output;
    QStringList frames = {};  // every picture of a DC6 written with -o, input the first
};

class UsageError {
public:
    explicit UsageError(QString message) : message(std::move(message)) {}
    QString message;
};

void printLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", nativePath(line).constData());
}

bool statFile(const QString& path, struct stat& status)
{
    return ::stat(nativePath(path).constData(), &status) == 0;
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString shownName(const QString& output)
{
    return output == standardStream ? QStringLiteral("standard output") : output;
}

// How messages name a picture: "-" is standard input, as the readers name it.
QString pictureName(const QString& input)
{
    return input == standardStream ? QStringLiteral("standard input") : input;
}

// One key per file, however it is spelled: device and inode for what exists, else the resolved
// folder and the name (a dangling symbolic link followed to where it points). Empty for a stream
// that is no regular file, which nothing can write over.
QString fileKey(const QString& path, int streamFd)
{
    struct stat status{};
    if (path == standardStream) {
        if (::fstat(streamFd, &status) != 0 || !S_ISREG(status.st_mode))
            return {};
        return QStringLiteral("%1:%2").arg(status.st_dev).arg(status.st_ino);
    }
    if (statFile(path, status))
        return QStringLiteral("%1:%2").arg(status.st_dev).arg(status.st_ino);

    QString spelled = path;
    for (int links = 0; links < 40; ++links) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(nativePath(spelled).constData(), target, sizeof target - 1);
        if (length <= 0)
            break;
        const QString pointsTo = pathFromNative(QByteArray(target, length));
        spelled = pointsTo.startsWith(QLatin1Char('/')) ? pointsTo : folderOf(spelled) + QLatin1Char('/') + pointsTo;
    }
    const QString name = spelled.mid(spelled.lastIndexOf(QLatin1Char('/')) + 1);
    char folder[PATH_MAX];
    if (::realpath(nativePath(folderOf(spelled)).constData(), folder) != nullptr)
        return QStringLiteral("%1/%2").arg(pathFromNative(folder), name);
    return QDir::cleanPath(QDir::current().absoluteFilePath(spelled));
}

// sprite.png gives sprite.bmp, a.b.png a.b.bmp; a name that is all extension keeps it, so that
// .png gives .png.bmp rather than a hidden .bmp.
QString resultName(const QString& input, OutputFormat format)
{
    const QString name = input.mid(input.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + QLatin1Char('.') + outputFormatName(format);
}

std::vector<Job> plannedJobs(const QStringList& inputs, const QString& output, const QString& outputDir,
                             OutputFormat format)
{
    if (inputs.isEmpty())
        throw UsageError(QStringLiteral("no picture to convert was given"));
    if (!output.isEmpty() && !outputDir.isEmpty())
        throw UsageError(QStringLiteral("give either -o or --output-dir, not both"));
    if (output.isEmpty() && outputDir.isEmpty())
        throw UsageError(QStringLiteral("say where to write: -o OUTPUT for one picture, --output-dir DIR for several"));
    if (!output.isEmpty() && inputs.size() > 1 && format != OutputFormat::Dc6)
        throw UsageError(QStringLiteral("-o takes one picture; use --output-dir DIR for %1").arg(inputs.size()));
    if (inputs.count(standardStream) > 1)
        throw UsageError(QStringLiteral("standard input (-) can be read only once"));
    if (output == standardStream && isatty(STDOUT_FILENO))
        throw UsageError(QStringLiteral("-o - writes the picture to standard output, which is a terminal here; "
                                        "send it to a file or a pipe"));
    if (output == standardStream && standardDescriptorWasClosed(STDOUT_FILENO))
        throw UsageError(QStringLiteral("-o - writes the picture to standard output, which is closed"));
    if (inputs.contains(standardStream) && standardDescriptorWasClosed(STDIN_FILENO))
        throw UsageError(QStringLiteral("standard input (-) is closed"));

    std::vector<Job> jobs;
    if (!output.isEmpty()) {
        jobs.push_back({inputs.front(), output, format == OutputFormat::Dc6 ? inputs : QStringList()});
        return jobs;
    }
    if (inputs.contains(standardStream))
        throw UsageError(QStringLiteral("standard input (-) has no name to name a result after; use -o"));
    struct stat folder{};
    if (!statFile(outputDir, folder))
        throw UsageError(QStringLiteral("%1: no such folder").arg(outputDir));
    if (!S_ISDIR(folder.st_mode))
        throw UsageError(QStringLiteral("%1 is not a folder").arg(outputDir));
    const QString prefix = outputDir.endsWith(QLatin1Char('/')) ? outputDir : outputDir + QLatin1Char('/');
    for (const QString& input : inputs)
        jobs.push_back({input, prefix + resultName(input, format)});
    return jobs;
}

// Refused before any work: an output that is no regular file, one written twice, or one that
// would replace a picture or palette that this run reads.
void checkOutputs(const std::vector<Job>& jobs, const PaletteFiles& palettes, const QString& mapOutput = {})
{
    QHash<QString, QString> readBy;  // file key -> what it is, for the message
    const auto reads = [&](const QString& key, const QString& what) {
        if (!key.isEmpty())
            readBy.insert(key, what);
    };
    for (const QString& palette : {palettes.source, palettes.target})
        reads(fileKey(palette, STDIN_FILENO), QStringLiteral("the palette %1").arg(palette));
    for (const Job& job : jobs)
        for (const QString& input : job.frames.isEmpty() ? QStringList{job.input} : job.frames)
            reads(fileKey(input, STDIN_FILENO), QStringLiteral("the picture %1").arg(input));

    QHash<QString, QString> writtenFor;
    std::vector<Job> outputs = jobs;
    if (!mapOutput.isEmpty())
        outputs.push_back({QStringLiteral("the mapping table"), mapOutput});
    for (const Job& job : outputs) {
        if (job.output != standardStream) {
            const QString kind = nonRegularFileKind(job.output);
            if (!kind.isEmpty())
                throw UsageError(QStringLiteral("%1 is %2, not a regular file; it is left as it is").arg(job.output, kind));
        }
        const QString key = fileKey(job.output, STDOUT_FILENO);
        if (key.isEmpty())
            continue;
        if (readBy.contains(key))
            throw UsageError(fileKey(job.input, STDIN_FILENO) == key
                                 ? QStringLiteral("%1 would be written over its own input").arg(shownName(job.output))
                                 : QStringLiteral("%1 would be written over %2, which this run reads")
                                       .arg(shownName(job.output), readBy.value(key)));
        if (writtenFor.contains(key))
            throw UsageError(QStringLiteral("%1 and %2 would both be written to %3")
                                 .arg(writtenFor.value(key), job.input, job.output));
        writtenFor.insert(key, job.input);
    }
}

PaletteFormat paletteFormatOption(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return PaletteFormat::Auto;
    const std::optional<PaletteFormat> format = paletteFormatFromName(parser.value(option));
    if (!format)
        throw UsageError(QStringLiteral("--%1 takes auto, rgb, bgr, jasc, act, gpl, riff or picture, not '%2'")
                             .arg(option.names().constFirst(), parser.value(option)));
    return *format;
}

QString failureMessage(const Job& job, const std::exception& failure)
{
    if (dynamic_cast<const FileError*>(&failure))
        return pathFromNative(failure.what());
    if (dynamic_cast<const std::bad_alloc*>(&failure))
        return QStringLiteral("%1: out of memory: not enough memory to convert it").arg(pictureName(job.input));
    return QStringLiteral("%1: %2").arg(pictureName(job.input), QString::fromStdString(failure.what()));
}

// Converts every job on all cores within the memory budget; messages and progress go to stderr.
// Gives the exit status: a count of directions that does not divide a DC6's frames is a usage error.
int convertAll(const std::vector<Job>& jobs, const ConversionJob& conversion, qint64 memoryBudget)
{
    const bool showProgress = jobs.size() > 1 && isatty(fileno(stderr));
    std::mutex reporting;
    std::size_t finished = 0, failed = 0;
    bool allConverted = true;
    std::atomic<bool> misused = false;

    const auto report = [&](const QString& message, bool converted) {
        const std::lock_guard lock(reporting);
        ++finished;
        failed += converted ? 0 : 1;
        allConverted = allConverted && converted;
        if (message.isEmpty() && !showProgress)
            return;
        if (showProgress)
            std::fputs("\r\033[K", stderr);
        if (!message.isEmpty())
            printLine(QStringLiteral("palshift: ") + message);
        if (showProgress)
            std::fprintf(stderr, "%zu of %zu pictures done", finished, jobs.size());
        std::fflush(stderr);
    };

    const auto work = [&](std::size_t index) {
        const Job& job = jobs[index];
        QString message;
        bool converted = true;
        try {
            AtomicFile output(job.output);
            const QStringList inputs = job.frames.isEmpty() ? QStringList{job.input} : job.frames;
            std::vector<JobReport> results;
            QString written;
            if (conversion.format == OutputFormat::Dc6) {
                const Dc6Report dc6 = convertToDc6(inputs, conversion, output);
                results = dc6.pictures;
                written = QStringLiteral("%1: %2 frames in %3 %4 written")
                              .arg(shownName(job.output)).arg(dc6.frames).arg(dc6.directions)
                              .arg(dc6.directions == 1 ? QStringLiteral("direction") : QStringLiteral("directions"));
            } else {
                results.push_back(convertFile(job.input, conversion, output));
            }
            output.commit();
            QStringList lines;
            for (std::size_t i = 0; i < results.size(); ++i)
                if (results[i].unmatchedPixels > 0 && conversion.rules.unmatched == UnmatchedRule::Zero)
                    lines << QStringLiteral("warning: %1: %2 of %3 pixels match no colour of the Diablo 1 "
                                            "palette and were converted as entry 0")
                                 .arg(pictureName(inputs[qsizetype(i)]), QString::number(results[i].unmatchedPixels),
                                      QString::number(results[i].pixels));
            if (!written.isEmpty())
                lines << written;
            message = lines.join(QStringLiteral("\npalshift: "));
        } catch (const Dc6DirectionsError& directions) {
            message = QStringLiteral("--directions %1 does not divide the %2 frames of %3")
                          .arg(directions.directions).arg(directions.frames).arg(shownName(job.output));
            misused = true;
            converted = false;
        } catch (const std::exception& failure) {
            // A DC6's own failures are the file's, not its first picture's.
            message = failureMessage(conversion.format == OutputFormat::Dc6 ? Job{job.output, {}} : job, failure);
            converted = false;
        }
        report(message, converted);
    };
    const auto refuse = [&](std::size_t index, qint64 need) {
        report(QStringLiteral("%1: needs about %2 of memory to convert, more than the budget of %3 "
                              "(--memory-limit sets it)")
                   .arg(jobs[index].input, memorySizeText(need), memorySizeText(memoryBudget)),
               false);
    };
    const auto estimate = [&](std::size_t index) {
        const Job& job = jobs[index];
        const bool whole = conversion.format != OutputFormat::Bmp || job.output == standardStream;
        // A DC6's pictures are converted one after the other: the largest one counts.
        qint64 largest = 0;
        for (const QString& input : job.frames.isEmpty() ? QStringList{job.input} : job.frames)
            if (input != standardStream)
                largest = std::max(largest, estimatedPeakBytes(input, whole ? ResultHeld::Whole : ResultHeld::Chunk,
                                                               conversion.rules.transparentIndex.has_value()
                                                                   || conversion.format == OutputFormat::Dc6));
        return largest;
    };

    runWithinBudget(jobs.size(), std::thread::hardware_concurrency(), memoryBudget, estimate, work, refuse);
    if (showProgress)
        std::fputs("\n", stderr);
    if (jobs.size() > 1)
        printLine(QStringLiteral("palshift: %1 converted, %2 failed").arg(jobs.size() - failed).arg(failed));
    if (misused)
        printLine(QStringLiteral("Try 'palshift --help' for more information."));
    return misused ? ExitUsage : allConverted ? ExitConverted : ExitFailed;
}

}  // namespace

int runCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts pictures drawn in the Diablo 1 palette to 8-bit pictures in the Diablo 2 palette.\n"
        "Each pixel takes the lowest Diablo 1 entry of exactly its colour (entry 0 when there is\n"
        "none), then the nearest Diablo 2 entry. :/startup.bmp is the built-in start-up picture.\n"
        "A palette that is not given is looked up beside palshift, then in the user's data folder\n"
        "(~/.local/share/palshift), then in the installed share/palshift.\n"
        "palshift map writes how each Diablo 1 entry maps instead: -o FILE, as CSV, or as 256 bytes\n"
        "for a name ending in .dat."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the one picture's result to <file> (- for standard output); "
                                                   "its ending, .bmp, .png, .pcx or .dc6, gives the format. A DC6 "
                                                   "takes several pictures, each a frame."),
                                    QStringLiteral("file"));
    const QCommandLineOption outputDir(QStringLiteral("output-dir"),
                                       QStringLiteral("Write each result to <dir>, named after its picture with "
                                                      ".bmp, .png, .pcx or .dc6."),
                                       QStringLiteral("dir"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Write <format>: bmp, png (8-bit indexed), pcx (8-bit) or dc6 (the "
                                                   "second game's sprite file), whatever the output's ending "
                                                   "(default: from the ending, else bmp)."),
                                    QStringLiteral("format"));
    const QCommandLineOption sourcePal(QStringLiteral("source-pal"),
                                       QStringLiteral("Diablo 1 palette (default: the first diablo.pal found)."),
                                       QStringLiteral("file"));
    const QCommandLineOption targetPal(QStringLiteral("target-pal"),
                                       QStringLiteral("Diablo 2 palette (default: the first diablo2.pal found)."),
                                       QStringLiteral("file"));
    const QCommandLineOption sourcePalFormat(QStringLiteral("source-pal-format"),
                                             QStringLiteral("Read the Diablo 1 palette as <format>: auto (the default: "
                                                            "from its content, then its name), rgb, bgr, jasc, act, "
                                                            "gpl, riff or picture."),
                                             QStringLiteral("format"));
    const QCommandLineOption targetPalFormat(QStringLiteral("target-pal-format"),
                                             QStringLiteral("Read the Diablo 2 palette as <format>, as above."),
                                             QStringLiteral("format"));
    const QCommandLineOption transparent(QStringLiteral("transparent"),
                                         QStringLiteral("Make pixels whose alpha is below 128 Diablo 2 entry <index> "
                                                        "(0 to 255), which no other pixel takes; a PNG result marks "
                                                        "it transparent."),
                                         QStringLiteral("index"));
    const QCommandLineOption unmatched(QStringLiteral("unmatched"),
                                       QStringLiteral("What becomes of a pixel of no Diablo 1 colour: zero (the "
                                                      "default: entry 0, with a warning), nearest (the Diablo 2 entry "
                                                      "nearest its own colour) or fail (the picture is refused)."),
                                       QStringLiteral("rule"));
    const QCommandLineOption mapOut(QStringLiteral("map-out"),
                                    QStringLiteral("Also write how each Diablo 1 entry maps to <file>: CSV, or 256 "
                                                   "bytes for a name ending in .dat."),
                                    QStringLiteral("file"));
    const QCommandLineOption memoryLimit(QStringLiteral("memory-limit"),
                                         QStringLiteral("Memory the pictures converted at once may take, such as 512M "
                                                        "or 4G (default: half the physical memory)."),
                                         QStringLiteral("size"));
    const QCommandLineOption frames(QStringLiteral("frames"),
                                    QStringLiteral("DC6: cut each picture into <cols>x<rows> equal frames, row by row."),
                                    QStringLiteral("colsxrows"));
    const QCommandLineOption directions(QStringLiteral("directions"),
                                        QStringLiteral("DC6: split the frames into <n> directions of equal length "
                                                       "(default 1)."),
                                        QStringLiteral("n"));
    const QCommandLineOption offset(QStringLiteral("offset"), QStringLiteral("DC6: every frame's offsets (default 0,0)."),
                                    QStringLiteral("x,y"));
    const QCommandLineOption transparentColour(QStringLiteral("transparent-colour"),
                                               QStringLiteral("DC6: pixels of this colour are transparent, as those "
                                                              "whose alpha is below 128 are."),
                                               QStringLiteral("rrggbb"));
    parser.addOptions({output, outputDir, format, sourcePal, targetPal, sourcePalFormat, targetPalFormat, transparent,
                       unmatched, mapOut, memoryLimit, frames, directions, offset, transparentColour});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("convert, or map."),
                                 QStringLiteral("convert|map"));
    parser.addPositionalArgument(QStringLiteral("pictures"), QStringLiteral("Pictures to convert (- for standard input)."),
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
        const QString command = positional.isEmpty() ? QString() : positional.takeFirst();
        const bool mapping = command == QStringLiteral("map");
        if (!mapping && command != QStringLiteral("convert"))
            throw UsageError(QStringLiteral("the command is convert or map"));

        qint64 memoryBudget = defaultMemoryBudget();
        if (parser.isSet(memoryLimit)) {
            const std::optional<qint64> limit = parseMemorySize(parser.value(memoryLimit));
            if (!limit)
                throw UsageError(QStringLiteral("--memory-limit takes a size such as 512M or 4G, not '%1'")
                                     .arg(parser.value(memoryLimit)));
            memoryBudget = *limit;
        }
        // Standard input is read whole before it is decoded: its bytes alone must fit.
        limitStandardInput(memoryBudget, QStringLiteral("the memory budget of %1 (--memory-limit sets it)")
                                             .arg(memorySizeText(memoryBudget)));
        PaletteFiles files;  // those not given are looked up below
        if (parser.isSet(sourcePal))
            files.source = parser.value(sourcePal);
        if (parser.isSet(targetPal))
            files.target = parser.value(targetPal);
        files.sourceFormat = paletteFormatOption(parser, sourcePalFormat);
        files.targetFormat = paletteFormatOption(parser, targetPalFormat);

        ConversionJob conversion;
        if (parser.isSet(transparent)) {
            bool number = false;
            const uint index = parser.value(transparent).toUInt(&number);
            if (!number || index > 255)
                throw UsageError(QStringLiteral("--transparent takes an entry from 0 to 255, not '%1'")
                                     .arg(parser.value(transparent)));
            conversion.rules.transparentIndex = static_cast<std::uint8_t>(index);
        }
        if (parser.isSet(unmatched)) {
            const std::optional<UnmatchedRule> rule = unmatchedRuleFromName(parser.value(unmatched));
            if (!rule)
                throw UsageError(QStringLiteral("--unmatched takes zero, nearest or fail, not '%1'")
                                     .arg(parser.value(unmatched)));
            conversion.rules.unmatched = *rule;
        }
        std::optional<OutputFormat> chosenFormat;
        if (parser.isSet(format)) {
            chosenFormat = outputFormatFromName(parser.value(format));
            if (!chosenFormat)
                throw UsageError(QStringLiteral("--format takes bmp, png, pcx or dc6, not '%1'").arg(parser.value(format)));
        }
        const auto refuseValue = [&](const QCommandLineOption& option, const QString& takes) {
            throw UsageError(QStringLiteral("--%1 takes %2, not '%3'")
                                 .arg(option.names().constFirst(), takes, parser.value(option)));
        };
        if (parser.isSet(frames)) {
            const QRegularExpressionMatch cut =
                QRegularExpression(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$")).match(parser.value(frames));
            conversion.dc6.columns = cut.captured(1).toInt();
            conversion.dc6.rows = cut.captured(2).toInt();
            if (!cut.hasMatch() || conversion.dc6.columns < 1 || conversion.dc6.rows < 1)
                refuseValue(frames, QStringLiteral("columns x rows such as 8x2"));
        }
        if (parser.isSet(directions)) {
            bool number = false;
            conversion.dc6.directions = parser.value(directions).toUInt(&number);
            if (!number || conversion.dc6.directions < 1)
                refuseValue(directions, QStringLiteral("a count of 1 or more"));
        }
        if (parser.isSet(offset)) {
            const QStringList xy = parser.value(offset).split(QLatin1Char(','));
            bool x = false, y = false;
            if (xy.size() == 2) {
                conversion.dc6.offsetX = xy[0].toInt(&x);
                conversion.dc6.offsetY = xy[1].toInt(&y);
            }
            if (!x || !y)
                refuseValue(offset, QStringLiteral("X,Y such as -32,8"));
        }
        if (parser.isSet(transparentColour)) {
            QString text = parser.value(transparentColour);
            if (text.startsWith(QLatin1Char('#')))
                text.remove(0, 1);
            bool number = false;
            const uint rgb = text.toUInt(&number, 16);
            if (!number || text.size() != 6)
                refuseValue(transparentColour, QStringLiteral("a colour as RRGGBB, such as FF00FF"));
            conversion.dc6.transparentColour = Rgb{static_cast<std::uint8_t>(rgb >> 16),
                                                   static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
        }

        std::vector<Job> jobs;
        QString mapFile = parser.value(mapOut);
        if (mapping) {
            if (!positional.isEmpty())
                throw UsageError(QStringLiteral("map converts no picture; it takes no %1").arg(positional.constFirst()));
            if (parser.isSet(outputDir) || parser.isSet(mapOut) || parser.isSet(format) || parser.isSet(unmatched))
                throw UsageError(QStringLiteral("map takes -o FILE, the palettes and --transparent"));
            mapFile = parser.value(output);
            if (mapFile.isEmpty())
                throw UsageError(QStringLiteral("say where to write the mapping table: -o FILE"));
            if (mapFile == standardStream && isatty(STDOUT_FILENO))
                throw UsageError(QStringLiteral("-o - writes the table to standard output, which is a terminal "
                                                "here; send it to a file or a pipe"));
            if (mapFile == standardStream && standardDescriptorWasClosed(STDOUT_FILENO))
                throw UsageError(QStringLiteral("-o - writes the table to standard output, which is closed"));
        } else {
            const QString named = parser.value(output);
            conversion.format = chosenFormat.value_or(outputFormatOfFile(named));
            const bool dc6 = conversion.format == OutputFormat::Dc6;
            for (const QCommandLineOption* option : {&frames, &directions, &offset, &transparentColour})
                if (!dc6 && parser.isSet(*option))
                    throw UsageError(QStringLiteral("--%1 shapes a DC6 result; this one is %2")
                                         .arg(option->names().constFirst(), outputFormatName(conversion.format)));
            if (dc6 && conversion.rules.transparentIndex.value_or(0) != 0)
                throw UsageError(QStringLiteral("a DC6 keeps entry 0 for transparent pixels; --transparent %1 "
                                                "cannot apply").arg(*conversion.rules.transparentIndex));
            jobs = plannedJobs(positional, named, parser.value(outputDir), conversion.format);
            if (mapFile == standardStream && parser.value(output) == standardStream)
                throw UsageError(QStringLiteral("the picture and the mapping table cannot both go to standard output"));
        }

        try {
            files = lookUpPaletteFiles(QCoreApplication::applicationDirPath(), files);
        } catch (const FileError& failure) {
            printLine(QStringLiteral("palshift: %1; nothing was %2")
                          .arg(pathFromNative(failure.what()), mapping ? QStringLiteral("written") : QStringLiteral("converted")));
            return ExitFailed;
        }
        checkOutputs(jobs, files, mapFile);
        try {
            std::int16_t counter = 0;
            readPaletteFile(files.source, conversion.source, counter, files.sourceFormat);
            readPaletteFile(files.target, conversion.target, counter, files.targetFormat);
        } catch (const FileError& failure) {
            printLine(QStringLiteral("palshift: %1; nothing was %2")
                          .arg(pathFromNative(failure.what()), mapping ? QStringLiteral("written") : QStringLiteral("converted")));
            return ExitFailed;
        }
        if (!mapFile.isEmpty()) {
            try {
                writeMappingTable(mapFile, conversion.source, conversion.target, conversion.rules.transparentIndex);
            } catch (const FileError& failure) {
                printLine(QStringLiteral("palshift: ") + pathFromNative(failure.what()));
                return ExitFailed;
            }
        }
        if (mapping)
            return ExitConverted;
        return convertAll(jobs, conversion, memoryBudget);
    } catch (const UsageError& usage) {
        printLine(QStringLiteral("palshift: ") + usage.message);
        printLine(QStringLiteral("Try 'palshift --help' for more information."));
        return ExitUsage;
    }
}

}  // namespace palshift
