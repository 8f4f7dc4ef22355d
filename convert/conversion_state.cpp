#include "convert/conversion_state.h"

#include "convert/checked_int.h"

namespace palshift {

PixelExtent pixelExtent(const PictureSurface& picture)
{
    return {lastIndex(picture.width()) + 1, lastIndex(picture.height()) + 1};
}

void dimensionIndexMaps(ConversionState& state, const PictureSurface& picture1)
{
    const PixelExtent extent = pixelExtent(picture1);
    state.SourceIndexMap.redim(extent.columns - 1, extent.rows - 1);
    state.TargetIndexMap.redim(extent.columns - 1, extent.rows - 1);
}

}  // namespace palshift
