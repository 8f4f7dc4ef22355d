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

    ImageSurface picture1(loadPicture(input));
    const int width = picture1.image().width();
    const int height = picture1.image().height();
    ImageSurface picture2;
    picture2.resize(width, height);
    dimensionIndexMaps(state, picture1);

    state.SourcePal = loaded.SourcePal;
    state.TargetPal = loaded.TargetPal;
    state.PalCounter = loaded.PalCounter;
    InitPicturePal(state, picture1);
    // Nothing reads the decoded pixels again (the surface keeps its size): freeing them here keeps
    // the picture and the pixel buffer from being held at the same time.
    picture1.cls();
    newPal(state, picture1, status);
    state.SaveFileName = output;
    savePicture(state, picture2, status);

    return {state.unmatchedPixels, qint64{width} * height};
}

}  // namespace palshift
