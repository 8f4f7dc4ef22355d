#include "app/zoom.h"

#include <algorithm>

namespace palshift {

int zoomedIn(int zoom)
{
    const auto next = std::upper_bound(zoomLevels.begin(), zoomLevels.end(), zoom);
    return next == zoomLevels.end() ? zoomLevels.back() : *next;
}

int zoomedOut(int zoom)
{
    const auto next = std::lower_bound(zoomLevels.begin(), zoomLevels.end(), zoom);
    return next == zoomLevels.begin() ? zoomLevels.front() : *(next - 1);
}

int validZoom(int zoom)
{
    return std::find(zoomLevels.begin(), zoomLevels.end(), zoom) == zoomLevels.end() ? 1 : zoom;
}

}  // namespace palshift
