#include "app/pixel_marks.h"

#include <new>
#include <vector>

namespace palshift {

QImage pixelMarks(const ConversionView& view, const MarkedPixels& marked, std::stop_token stop)
{
    const bool unmatched = marked.unmatched && view.identified;
    const bool source = marked.sourceEntry && view.identified;
    const bool target = marked.targetEntry && view.converted;
    if (!unmatched && !source && !target)
        return {};
    QImage marks(view.picture.size(), QImage::Format_ARGB32);
    if (marks.isNull() && !view.picture.isNull())
        throw std::bad_alloc();  // Qt gives a null image when it cannot allocate one
    if (target)
        view.state.TargetIndexMap.checkCovers(marks.width(), marks.height());
    std::vector<int> entries(static_cast<std::size_t>(marks.width()));
    for (int y = 0; y < marks.height(); ++y) {
        if (stop.stop_requested())
            return {};
        view.sourceEntries(y, entries);
        const std::span<const std::int16_t> targets = target ? view.state.TargetIndexMap.row(y) : std::span<const std::int16_t>();
        auto* const row = reinterpret_cast<QRgb*>(marks.scanLine(y));
        for (std::size_t x = 0; x < entries.size(); ++x) {
            const int entry = entries[x];
            if (unmatched && entry < 0)
                row[x] = unmatchedMark;
            else if ((source && entry == *marked.sourceEntry) || (target && targets[x] == *marked.targetEntry))
                row[x] = entryMark;
            else
                row[x] = qRgba(0, 0, 0, 0);
        }
    }
    return marks;
}

}  // namespace palshift
