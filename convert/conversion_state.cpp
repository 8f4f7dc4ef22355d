#include "convert/conversion_state.h"

#include "convert/checked_int.h"

namespace palshift {

void dimensionIndexMaps(ConversionState& state, const PictureSurface& picture1)
{
    const std::int32_t lastX = lastIndex(picture1.width());
    const std::int32_t lastY = lastIndex(picture1.height());
    state.SourceIndexMap.redim(lastX, lastY);
    state.TargetIndexMap.redim(lastX, lastY);
}

}  // namespace palshift
