// PCX files of any content through the program's own reader: each is read or refused with a
// FileError, never anything else, and what is read has the size its header gives.

#include "fuzz_start.h"
#include "pictures/pcx_reader.h"
#include "platform/file_error.h"

#include <cstdlib>

using namespace palshift;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const QImage picture = readPcx(QByteArrayView(data, static_cast<qsizetype>(size)), QStringLiteral("fuzz.pcx"));
        if (picture.isNull() || picture.width() > 16384 || picture.height() > 16384)
            std::abort();
    } catch (const FileError&) {
    }
    return 0;
}
