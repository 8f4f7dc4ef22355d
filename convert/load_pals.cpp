#include "convert/load_pals.h"

#include "convert/source_index_map.h"

namespace palshift {

void loadPals(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
              const PaletteFiles& files, const StepProgress& progress)
{
    status.setText("Loading Diablo 1 Pal");
    readPaletteFile(files.source, state.SourcePal, state.PalCounter, files.sourceFormat);
    status.setText("Loading Diablo 2 Pal");
    readPaletteFile(files.target, state.TargetPal, state.PalCounter, files.targetFormat);
    status.setText("Intializing Picture Pal");
    InitPicturePal(state, picture1, progress);
    status.setText("Ready...");
}

}  // namespace palshift
