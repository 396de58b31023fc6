// Picture bytes of a format the player does not read, through the
// conversion to PNG: no crash, no undefined behaviour, and a result is
// either a PNG or an error saying why.
#include "scenetool/PictureConversion.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const std::vector<std::uint8_t> png = convertPictureToPng(data, size, DP_PICTURE_HINT, error);
    if (png.empty() == error.empty()) std::abort();
    if (!png.empty() && (png.size() < 8 || png[1] != 'P' || png[2] != 'N' || png[3] != 'G'))
        std::abort();
    return 0;
}
