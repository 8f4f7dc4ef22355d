#include "convert/result_drawing.h"


#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace palshift {

void drawPic(const ConversionState& state, const PictureSurface& picture1, PictureSurface& picture2,
             StatusLine& status, const StepProgress& progress)
{
    status.setText("Drawing Pic...");
    const auto [columns, rows] = pixelExtent(picture1);
    const IndexMap& map = state.TargetIndexMap;
    map.checkCovers(columns, rows);  // before hiding, so a failure never leaves the result hidden

    std::array<ColourValue, 256> colours{};
    for (std::size_t entry = 0; entry < 256; ++entry)
        colours[entry] = colourValue(state.TargetPal[entry]);

    picture2.setVisible(false);
    std::vector<ColourValue> row(static_cast<std::size_t>(std::max(columns, 0)));
    for (std::int32_t y = 0; y < rows && columns > 0; ++y) {
        const std::int16_t* const entries = map.row(y).data();
        for (std::int32_t x = 0; x < columns; ++x) {
            const auto t = static_cast<std::uint16_t>(entries[x]);
            if (t > 255) {
                picture2.setVisible(true);
                throw std::out_of_range("target index map element (" + std::to_string(x) + ", "
                                        + std::to_string(y) + ") holds " + std::to_string(entries[x])
                                        + ", which is no palette entry");
            }
            row[static_cast<std::size_t>(x)] = colours[t];
        }
        picture2.paintRow(y, row);
        if (progress)
            progress(y + 1, rows);
    }
    picture2.setVisible(true);
    status.setText("Ready...");
}

}  // namespace palshift
