// Bitmap loaders on pictures from real encoders: libpng and libjpeg-turbo
// writers here, ImageMagick for the BMP files under data/.
#include "TestDirectory.h"

#include "PictureDecoder.h"
#include "PngDecoder.h"
#include "data/Bitmap.h"
#include "data/PictureDecodePool.h"

#include <arpa/inet.h>
#include <png.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Rgba = std::array<int, 4>;

// Pixel (x, y) counted from the picture's top-left corner.
Rgba pixelAt(const Bitmap& bitmap, int x, int y) {
    const std::uint8_t* p =
        bitmap.pixels() + (std::size_t(bitmap.height() - 1 - y) * bitmap.width() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

struct PngPicture {
    int width, height, colorType, bitDepth;
    std::vector<std::string> rows;  // top row first, packed as PNG stores them
    std::vector<png_color> palette = {};
    std::string transparency = "";
    bool interlaced = false;
};

std::string pngBytes(const PngPicture& picture) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(png, info, picture.palette.data(), int(picture.palette.size()));
    if (!picture.transparency.empty())
        png_set_tRNS(png, info, reinterpret_cast<png_const_bytep>(picture.transparency.data()),
                     int(picture.transparency.size()), nullptr);
    std::vector<png_bytep> rows;
    for (const std::string& row : picture.rows)
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(row.data())));
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string jpegBytes(int width, int height, bool progressive) {
    // Top half red, bottom half blue.
    std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            rgb[(std::size_t(y) * width + x) * 3 + (y < height / 2 ? 0 : 2)] = 255;
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    EXPECT_EQ(tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444,
                          95, flags),
              0);
    std::string out(reinterpret_cast<char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

bool decodesPng(const std::string& bytes, Bitmap& bitmap) {
    return decodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), bitmap);
}

PictureResult decodes(const std::string& bytes, Bitmap& bitmap) {
    return decodePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), bitmap);
}

class BitmapTest : public TestDirectory {};

TEST_F(BitmapTest, PngColourTypesBecomeRgbaBottomUp) {
    const std::string red("\xff\0\0", 3), blue = std::string("\0\0\xff", 3);
    struct Case {
        const char* what;
        PngPicture picture;
        Rgba topLeft, bottomRight;
        bool hasAlpha;
    };
    std::vector<Case> cases = {
        {"grey 1 bit",
         {8, 2, PNG_COLOR_TYPE_GRAY, 1, {"\xa0", "\x01"}},
         {255, 255, 255, 255},
         {255, 255, 255, 255},
         false},
        {"grey 8",
         {1, 2, PNG_COLOR_TYPE_GRAY, 8, {"\x40", "\x80"}},
         {64, 64, 64, 255},
         {128, 128, 128, 255},
         false},
        {"grey alpha",
         {1, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {"\x40\x10", "\x80\xf0"}},
         {64, 64, 64, 16},
         {128, 128, 128, 240},
         true},
        {"palette",
         {2, 2, PNG_COLOR_TYPE_PALETTE, 4, {"\x01", "\x10"}, {{255, 0, 0}, {0, 0, 255}}},
         {255, 0, 0, 255},
         {255, 0, 0, 255},
         false},
        {"palette transparency",
         {2,
          2,
          PNG_COLOR_TYPE_PALETTE,
          8,
          {std::string("\0\1", 2), std::string("\1\0", 2)},
          {{255, 0, 0}, {0, 0, 255}},
          std::string("\x00\xff", 2)},
         {255, 0, 0, 0},
         {255, 0, 0, 0},
         true},
        {"rgb 16 bit",
         {1, 2, PNG_COLOR_TYPE_RGB, 16, {std::string("\xff\x00\x80\x00\x00\xff", 6), blue + blue}},
         {255, 128, 0, 255},
         {0, 255, 0, 255},
         false},
        {"rgb",
         {2, 2, PNG_COLOR_TYPE_RGB, 8, {red + red, blue + blue}},
         {255, 0, 0, 255},
         {0, 0, 255, 255},
         false},
        {"rgba",
         {1, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, {red + "\x20", blue + "\xff"}},
         {255, 0, 0, 32},
         {0, 0, 255, 255},
         true},
        {"interlaced",
         {2, 2, PNG_COLOR_TYPE_RGB, 8, {red + red, blue + blue}, {}, "", true},
         {255, 0, 0, 255},
         {0, 0, 255, 255},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bitmap bitmap;
        ASSERT_TRUE(decodesPng(pngBytes(c.picture), bitmap));
        EXPECT_EQ(bitmap.width(), c.picture.width);
        EXPECT_EQ(bitmap.height(), c.picture.height);
        EXPECT_EQ(pixelAt(bitmap, 0, 0), c.topLeft);
        EXPECT_EQ(pixelAt(bitmap, c.picture.width - 1, c.picture.height - 1), c.bottomRight);
        EXPECT_EQ(bitmap.hasAlpha(), c.hasAlpha);
    }
    // The 2 x 2 picture red over blue: the first row in memory is blue.
    Bitmap bitmap;
    ASSERT_TRUE(decodesPng(pngBytes(cases[6].picture), bitmap));
    EXPECT_EQ(std::memcmp(bitmap.pixels(), "\0\0\xff\xff\0\0\xff\xff", 8), 0);
}

TEST_F(BitmapTest, DamagedPngLeavesBitmapEmpty) {
    const std::string good = pngBytes(
        {64, 64, PNG_COLOR_TYPE_GRAY, 8, std::vector<std::string>(64, std::string(64, 'x'))});
    Bitmap bitmap;
    for (std::size_t cut : {0, 7, 8, 30, 60, 80}) {
        EXPECT_FALSE(decodesPng(good.substr(0, cut), bitmap)) << cut;
        EXPECT_TRUE(bitmap.empty());
        EXPECT_EQ(bitmap.width(), 0);
    }
    // A header claiming 100000 x 100000 pixels is refused before decoding.
    std::string huge = good;
    const char side[] = "\x00\x01\x86\xa0";
    std::memcpy(&huge[16], side, 4);
    std::memcpy(&huge[20], side, 4);
    std::uint32_t crc = htonl(crc32(0, reinterpret_cast<const Bytef*>(&huge[12]), 17));
    std::memcpy(&huge[29], &crc, 4);
    EXPECT_FALSE(decodesPng(huge, bitmap));
}

TEST_F(BitmapTest, JpegBaselineAndProgressive) {
    for (bool progressive : {false, true}) {
        Bitmap bitmap;
        ASSERT_EQ(decodes(jpegBytes(32, 16, progressive), bitmap), PictureResult::decoded);
        EXPECT_EQ(bitmap.width(), 32);
        EXPECT_EQ(bitmap.height(), 16);
        EXPECT_FALSE(bitmap.hasAlpha());
        Rgba top = pixelAt(bitmap, 3, 2), bottom = pixelAt(bitmap, 3, 13);
        EXPECT_GT(top[0], 240);
        EXPECT_LT(top[2], 15);
        EXPECT_GT(bottom[2], 240);
        EXPECT_LT(bottom[0], 15);
        EXPECT_EQ(top[3], 255);
        EXPECT_EQ(bitmap.pixels()[3 * 4 + 2], bottom[2]);  // memory starts at the bottom
    }
}

TEST_F(BitmapTest, BmpEveryDepthAndLayout) {
    const Rgba white{255, 255, 255, 255}, red{255, 0, 0, 255}, green{0, 255, 0, 255},
        blue{0, 0, 255, 255}, black{0, 0, 0, 255};
    for (const char* name :
         {"pal4", "pal8", "rle8", "rgb555", "rgb565", "rgb24", "os2", "argb32", "argb32v5"}) {
        SCOPED_TRACE(name);
        std::string bytes = readFile(std::string(DP_TEST_DATA "/data/") + name + ".bmp");
        Bitmap bitmap;
        ASSERT_EQ(decodes(bytes, bitmap), PictureResult::decoded);
        EXPECT_EQ(bitmap.height(), 3);
        EXPECT_FALSE(bitmap.hasAlpha());
        EXPECT_EQ(pixelAt(bitmap, 0, 0), white);
        EXPECT_EQ(pixelAt(bitmap, 1, 0), red);  // half transparent in argb32: alpha ignored
        EXPECT_EQ(pixelAt(bitmap, 4, 1), green);
        EXPECT_EQ(pixelAt(bitmap, 3, 2), blue);
        EXPECT_EQ(pixelAt(bitmap, 4, 2), black);
        if (bitmap.width() == 20) {
            EXPECT_EQ(pixelAt(bitmap, 19, 1), (Rgba{229, 229, 229, 255}));
        }

        // The same rows stored top-down, with a negative height.
        if (std::string(name) == "rgb24") {
            std::string flipped = bytes;
            std::int32_t height = -3;
            std::memcpy(&flipped[22], &height, 4);
            for (int row = 0; row < 3; ++row)
                flipped.replace(54 + row * 16, 16, bytes, 54 + (2 - row) * 16, 16);
            Bitmap topDown;
            ASSERT_EQ(decodes(flipped, topDown), PictureResult::decoded);
            EXPECT_EQ(std::memcmp(topDown.pixels(), bitmap.pixels(), 5 * 3 * 4), 0);
            EXPECT_EQ(decodes(bytes.substr(0, bytes.size() - 16), topDown),
                      PictureResult::undecodable);
        }
    }
    Bitmap mono;
    ASSERT_EQ(decodes(readFile(DP_TEST_DATA "/data/mono1.bmp"), mono), PictureResult::decoded);
    EXPECT_EQ(pixelAt(mono, 0, 0), black);
    EXPECT_EQ(pixelAt(mono, 1, 0), white);
    EXPECT_EQ(pixelAt(mono, 4, 2), black);
}

TEST_F(BitmapTest, Rle4RunsAbsoluteStretchesAndJumps) {
    // 6 x 3, palette 0 black, 1 red, 2 blue. Bottom row: a run of 4 alternating
    // red/blue, line end. Middle row: absolute 1 2 1, then a jump two right and
    // one up, to the last pixel of the top row, where a run of 6 blue is cut
    // at the row's end. End of bitmap. Pixels never written stay black.
    std::string bmp = "BM" + std::string(12, '\0');
    std::string info(40, '\0');
    const std::uint32_t fields[] = {40, 6, 3};
    std::memcpy(&info[0], fields, 12);
    info[12] = 1;
    info[14] = 4;
    info[16] = 2;  // RLE4
    info[32] = 3;  // colours used
    std::string palette(
        "\0\0\0\0"
        "\0\0\xff\0"
        "\xff\0\0\0",
        12);
    std::string data(
        "\x04\x12\x00\x00"
        "\x00\x03\x12\x10"
        "\x00\x02\x02\x01"
        "\x06\x22\x00\x01",
        16);
    bmp += info + palette + data;
    std::uint32_t offset = 14 + 40 + 12;
    std::memcpy(&bmp[10], &offset, 4);

    Bitmap bitmap;
    ASSERT_EQ(decodes(bmp, bitmap), PictureResult::decoded);
    const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255}, black{0, 0, 0, 255};
    std::vector<Rgba> bottom, middle, top;
    for (int x = 0; x < 6; ++x) {
        top.push_back(pixelAt(bitmap, x, 0));
        middle.push_back(pixelAt(bitmap, x, 1));
        bottom.push_back(pixelAt(bitmap, x, 2));
    }
    EXPECT_EQ(bottom, (std::vector<Rgba>{red, blue, red, blue, black, black}));
    EXPECT_EQ(middle, (std::vector<Rgba>{red, blue, red, black, black, black}));
    EXPECT_EQ(top, (std::vector<Rgba>{black, black, black, black, black, blue}));
}

TEST_F(BitmapTest, LoaderChoiceAndFailures) {
    const std::string rgb = std::string("\xff\0\0", 3);
    writeFile("pic.tar.png", pngBytes({1, 1, PNG_COLOR_TYPE_RGB, 8, {rgb}}));
    writeFile("UPPER.PNG", pngBytes({2, 1, PNG_COLOR_TYPE_RGB, 8, {rgb + rgb}}));
    writeFile("photo.bmp", jpegBytes(8, 8, false));  // recognised by content
    writeFile("icon.jpg", readFile(DP_TEST_DATA "/data/icon.ico"));
    writeFile("metafile.bmp", std::string("\xd7\xcd\xc6\x9a", 4) + std::string(40, '\0'));
    writeFile("garbage.JpEg", "no picture in here");
    writeFile("notpng.png", "no picture in here");

    EXPECT_EQ(Bitmap("pic.tar.png").width(), 1);
    EXPECT_EQ(Bitmap("data\\upper.png").width(), 2);
    EXPECT_EQ(Bitmap("photo.bmp").width(), 8);
    const std::string good =
        pngBytes({4, 4, PNG_COLOR_TYPE_RGB, 8, std::vector<std::string>(4, std::string(12, 'x'))});
    writeFile("cut.png", good.substr(0, good.size() - 20));
    // A PNG that cannot be had plays on empty, but says which file and why.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Bitmap("data\\missing.png").empty());
    EXPECT_TRUE(Bitmap("notpng.png").empty());
    EXPECT_TRUE(Bitmap("cut.png").empty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pngLoad - data\\missing.png not found, left empty (drawn white)\n"
              "pngLoad - notpng.png is not a PNG file, left empty (drawn white)\n"
              "pngLoad - cut.png is damaged (Read Error!), left empty (drawn white)\n");

    EXPECT_EXIT(Bitmap("picture.gif"), testing::ExitedWithCode(1),
                "Cannot load bitmap picture.gif");
    EXPECT_EXIT(Bitmap("noextension"), testing::ExitedWithCode(1), "Cannot load bitmap");
    EXPECT_EXIT(Bitmap("data\\missing.jpg"), testing::ExitedWithCode(7),
                "Bitmap file data\\\\missing.jpg not found, exiting");
    // Each fatal message follows a line that names the picture.
    EXPECT_EXIT(Bitmap("icon.jpg"), testing::ExitedWithCode(3468 & 0xff),
                "DibLoader - icon\\.jpg is an icon[^\n]*\nDibLoader - not a bitmap, aborting");
    EXPECT_EXIT(Bitmap("metafile.bmp"), testing::ExitedWithCode(3468 & 0xff),
                "metafile\\.bmp[^\n]*\n[^\n]*not a bitmap");
    EXPECT_EXIT(Bitmap("garbage.JpEg"), testing::ExitedWithCode(3467 & 0xff),
                "DibLoader - garbage\\.JpEg is not a JPEG or BMP picture, or is damaged\n"
                "DibLoader - getType failed, aborting");
}

// Pictures decoded ahead on worker threads, read from one zip archive by
// several at once: each comes out once, as a decode on the spot would, with
// what it would have logged and the stop it calls for held for the taker;
// no more than the allowed number wait at a time.
TEST_F(BitmapTest, DecodePoolHoldsEachOutcomeForItsTaker) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "p" + std::to_string(i) + (i % 2 ? ".png" : ".jpg");
        const std::string row(std::size_t(3 * (8 + i)), char(20 * i));
        writeFile(name, i % 2 ? pngBytes({8 + i, 8, PNG_COLOR_TYPE_RGB, 8,
                                          std::vector<std::string>(8, row)})
                              : jpegBytes(8 + i, 16, i % 4 == 0));
        names.push_back(name);
    }
    const std::string good =
        pngBytes({4, 4, PNG_COLOR_TYPE_RGB, 8, std::vector<std::string>(4, std::string(12, 'x'))});
    writeFile("cut.png", good.substr(0, good.size() - 20));
    ASSERT_EQ(std::system("zip -q pictures.zip p*.jpg p*.png cut.png && rm p*.jpg p*.png cut.png"),
              0);
    rescanDataArchives();
    names.insert(names.end(), {"cut.png", "gone.jpg", "p0.jpg"});

    testing::internal::CaptureStderr();
    PictureDecodePool pool(names, 2, 3, true);
    // Asked for before any worker reached it: decoded on the spot.
    std::unique_ptr<DecodedPicture> gone = pool.take("gone.jpg");
    std::vector<std::unique_ptr<DecodedPicture>> decoded;
    for (std::size_t i = 0; i < 13; ++i) decoded.push_back(pool.take(names[i]));
    EXPECT_FALSE(pool.take("p0.jpg"));
    EXPECT_FALSE(pool.take("other.png"));
    EXPECT_LE(pool.mostWaiting(), 3u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->stopStatus, 7);
    EXPECT_FALSE(gone->bitmap);
    ASSERT_EQ(gone->log.size(), 1u);
    EXPECT_EQ(gone->log[0].text, "Bitmap file gone.jpg not found, exiting\n");
    for (std::size_t i = 0; i < 12; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_TRUE(decoded[i] && decoded[i]->bitmap);
        EXPECT_EQ(decoded[i]->stopStatus, 0);
        EXPECT_TRUE(decoded[i]->log.empty());
        const Bitmap onTheSpot(names[i]);
        const Bitmap& ahead = *decoded[i]->bitmap;
        ASSERT_EQ(ahead.width(), onTheSpot.width());
        ASSERT_EQ(ahead.height(), onTheSpot.height());
        EXPECT_EQ(std::memcmp(ahead.pixels(), onTheSpot.pixels(),
                              std::size_t(ahead.width()) * ahead.height() * 4),
                  0);
        const std::vector<MipmapLevel>& levels = decoded[i]->mipmaps.levels;
        ASSERT_FALSE(levels.empty());
        EXPECT_EQ(levels.front().width, mipmapBaseSide(ahead.width()));
        EXPECT_EQ(levels.back().width * levels.back().height, 1);
    }
    const DecodedPicture& cut = *decoded[12];
    ASSERT_TRUE(cut.bitmap);
    EXPECT_TRUE(cut.bitmap->empty());
    EXPECT_EQ(cut.stopStatus, 0);
    ASSERT_EQ(cut.log.size(), 1u);
    EXPECT_EQ(cut.log[0].text,
              "pngLoad - cut.png is damaged (Read Error!), left empty (drawn white)\n");
}

}  // namespace
