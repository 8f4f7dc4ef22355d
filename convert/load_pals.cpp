#include "convert/load_pals.h"

#include "convert/source_index_map.h"

namespace palshift {

void readPals(ConversionState& state, StatusLine& status, const PaletteFiles& files,
              const std::optional<PaletteFormats>& formats)
{
    status.setText("Loading Diablo 1 Pal");
    readPaletteFile(files.source, state.SourcePal, state.PalCounter, formats ? formats->source : files.sourceFormat);
    status.setText("Loading Diablo 2 Pal");
    readPaletteFile(files.target, state.TargetPal, state.PalCounter, formats ? formats->target : files.targetFormat);
}

void loadPals(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
              const PaletteFiles& files, const StepProgress& progress, const std::optional<PaletteFormats>& formats)
{
    readPals(state, status, files, formats);
    status.setText("Intializing Picture Pal");
    InitPicturePal(state, picture1, progress);
    status.setText("Ready...");
}

}  // namespace palshift
