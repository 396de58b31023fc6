// Opens the input as a zip archive and reads every member, whole and cut
// short, as the data files would.
#include "ZipArchive.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    FilePtr file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    auto archive = ZipArchive::open(std::move(file), "fuzz.zip");
    if (!archive) return 0;
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < archive->members().size(); ++i) {
        // The size the archive vouches for, as the data files allocate it,
        // capped to keep runs fast: the reader must also cope with a buffer
        // shorter than the declared size.
        std::size_t size = std::min<std::size_t>(archive->readableSize(i), 1 << 20);
        buffer.assign(size, 0);
        archive->read(i, buffer.data(), buffer.size());
        archive->read(i, buffer.data(), size / 2);
    }
    return 0;
}
