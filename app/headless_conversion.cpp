#include "app/headless_conversion.h"

#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/nearest_colour.h"
#include "convert/source_index_map.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"

namespace palshift {

ConversionReport convertPicture(const ConversionState& loaded, const QString& input, const QString& output)
{
    ConversionState state;
    InitBmpHeader(state.BmpFileHeader);
    SilentStatusLine status;

    const ImageSurface picture1(loadPicture(input));
    ImageSurface picture2;
    picture2.resize(picture1.image().width(), picture1.image().height());
    dimensionIndexMaps(state, picture1);

    state.SourcePal = loaded.SourcePal;
    state.TargetPal = loaded.TargetPal;
    state.PalCounter = loaded.PalCounter;
    InitPicturePal(state, picture1);
    newPal(state, picture1, status);
    state.SaveFileName = output;
    savePicture(state, picture2, status);

    return {state.unmatchedPixels, qint64{picture1.image().width()} * picture1.image().height()};
}

}  // namespace palshift
