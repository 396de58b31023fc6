// Inputs that once made a decoder misbehave, kept from fuzzing: each must
// be refused or decoded cleanly (run under the sanitizers to see more).
// Files are named after the decoder they feed: png-*, picture-*, zip-*.
#include "PictureDecoder.h"
#include "PngDecoder.h"
#include "ZipArchive.h"
#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

TEST(RegressionTest, FuzzFindingsFailCleanly) {
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DP_TEST_DATA "/data/regress")) {
        std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        Bitmap bitmap;
        if (name.rfind("png-", 0) == 0) {
            decodePng(bytes.data(), bytes.size(), bitmap);
        } else if (name.rfind("picture-", 0) == 0) {
            decodePicture(bytes.data(), bytes.size(), bitmap);
        } else if (name.rfind("zip-", 0) == 0) {
            if (auto archive = ZipArchive::open(entry.path())) {
                std::vector<std::uint8_t> buffer(1 << 16);
                for (std::size_t i = 0; i < archive->members().size(); ++i)
                    archive->read(i, buffer.data(), buffer.size());
            }
        } else {
            ADD_FAILURE() << "no decoder for this name";
        }
        if (!bitmap.empty()) {
            EXPECT_GT(bitmap.width() * bitmap.height(), 0);
        }
        ++seen;
    }
    EXPECT_GT(seen, 0);
}
