#include "app/pixel_marks.h"

namespace palshift {

QImage pixelMarks(const ConversionView& view, const MarkedPixels& marked)
{
    const bool unmatched = marked.unmatched && view.identified;
    const bool source = marked.sourceEntry && view.identified;
    const bool target = marked.targetEntry && view.converted;
    if (!unmatched && !source && !target)
        return {};
    QImage marks(view.picture.size(), QImage::Format_ARGB32);
    marks.fill(Qt::transparent);
    for (int y = 0; y < marks.height(); ++y) {
        auto* const row = reinterpret_cast<QRgb*>(marks.scanLine(y));
        for (int x = 0; x < marks.width(); ++x) {
            const std::optional<int> entry = view.sourceEntry(x, y);
            if (unmatched && !entry)
                row[x] = unmatchedMark;
            else if ((source && entry == marked.sourceEntry)
                     || (target && view.state.TargetIndexMap.at(x, y) == *marked.targetEntry))
                row[x] = entryMark;
        }
    }
    return marks;
}

}  // namespace palshift
