/*
 * Links against the five WebAssembly libraries that tools/web/build-deps.sh
 * installs and runs each through the calls the player depends on, under
 * node. Prints one line per library; exits non-zero on the first library
 * that does not behave.
 *
 * What it proves beyond "it links":
 *  - zlib and TurboJPEG round-trip data; TurboJPEG reports a broken stream
 *    as an error (its error path is setjmp/longjmp);
 *  - libpng's read structures come up;
 *  - FreeType initialises;
 *  - libopenmpt turns garbage into an error rather than an abort (its error
 *    path is a C++ exception caught inside the library), loads a module
 *    made here, renders sound from it and seeks in it.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zlib.h>
#include <png.h>
#include <turbojpeg.h>
#include <jconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <libopenmpt/libopenmpt.h>

static int fail(const char *lib, const char *what)
{
    fprintf(stderr, "check-deps: %s: %s\n", lib, what);
    return 1;
}

static int check_zlib(void)
{
    unsigned char text[256], packed[512], unpacked[256];
    uLongf packed_size = sizeof packed, unpacked_size = sizeof unpacked;
    for (int i = 0; i < (int)sizeof text; ++i)
        text[i] = (unsigned char)(i % 7);
    if (compress(packed, &packed_size, text, sizeof text) != Z_OK)
        return fail("zlib", "compress failed");
    if (uncompress(unpacked, &unpacked_size, packed, packed_size) != Z_OK ||
        unpacked_size != sizeof text || memcmp(text, unpacked, sizeof text) != 0)
        return fail("zlib", "round trip differs");
    printf("zlib          %s\n", zlibVersion());
    return 0;
}

static int check_png(void)
{
    png_uint_32 v = png_access_version_number();
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    if (!png)
        return fail("libpng", "png_create_read_struct failed");
    png_infop info = png_create_info_struct(png);
    png_destroy_read_struct(&png, info ? &info : NULL, NULL);
    printf("libpng        %u.%u.%u\n", (unsigned)(v / 10000), (unsigned)(v / 100 % 100),
           (unsigned)(v % 100));
    return 0;
}

static int check_turbojpeg(void)
{
    enum { W = 16, H = 16 };
    unsigned char pixels[W * H], decoded[W * H];
    unsigned char *jpeg = NULL;
    unsigned long jpeg_size = 0;
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    for (int i = 0; i < W * H; ++i)
        pixels[i] = (unsigned char)(i % W * 16);

    tjhandle c = tjInitCompress();
    if (!c || tjCompress2(c, pixels, W, 0, H, TJPF_GRAY, &jpeg, &jpeg_size, TJSAMP_GRAY, 95, 0) != 0)
        return fail("libjpeg-turbo", "tjCompress2 failed");
    tjDestroy(c);

    tjhandle d = tjInitDecompress();
    if (!d)
        return fail("libjpeg-turbo", "tjInitDecompress failed");
    if (tjDecompressHeader3(d, jpeg, jpeg_size, &w, &h, &subsamp, &colorspace) != 0 || w != W ||
        h != H || tjDecompress2(d, jpeg, jpeg_size, decoded, W, 0, H, TJPF_GRAY, 0) != 0)
        return fail("libjpeg-turbo", "decoding its own JPEG failed");
    for (int i = 0; i < W * H; ++i)
        if (abs(decoded[i] - pixels[i]) > 8)
            return fail("libjpeg-turbo", "decoded pixels differ");
    unsigned char broken[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    if (tjDecompressHeader3(d, broken, sizeof broken, &w, &h, &subsamp, &colorspace) == 0)
        return fail("libjpeg-turbo", "a broken stream was accepted");
    tjDestroy(d);
    tjFree(jpeg);
    printf("libjpeg-turbo %d.%d.%d (TurboJPEG)\n", LIBJPEG_TURBO_VERSION_NUMBER / 1000000,
           LIBJPEG_TURBO_VERSION_NUMBER / 1000 % 1000, LIBJPEG_TURBO_VERSION_NUMBER % 1000);
    return 0;
}

static int check_freetype(void)
{
    FT_Library ft;
    FT_Int major, minor, patch;
    if (FT_Init_FreeType(&ft) != 0)
        return fail("freetype", "FT_Init_FreeType failed");
    FT_Library_Version(ft, &major, &minor, &patch);
    FT_Done_FreeType(ft);
    printf("freetype      %d.%d.%d\n", major, minor, patch);
    return 0;
}

/* A four-channel ProTracker module: one pattern whose first row plays a
 * looped square wave at C-3 on channel 1. 64 rows at speed 6 and 125 BPM
 * last 7.68 s. */
static unsigned char *make_mod(size_t *size)
{
    enum { HEADER = 1084, PATTERN = 64 * 4 * 4, SAMPLE = 64 };
    unsigned char *mod = calloc(1, HEADER + PATTERN + SAMPLE);
    unsigned char *s1 = mod + 20; /* first sample header */
    memcpy(mod, "build-deps check", 16);
    s1[22] = 0; s1[23] = SAMPLE / 2; /* length in words */
    s1[25] = 64;                     /* volume */
    s1[28] = 0; s1[29] = SAMPLE / 2; /* loop over all of it */
    for (int i = 1; i < 31; ++i)
        mod[20 + i * 30 + 29] = 1; /* empty samples: loop length 1 word */
    mod[950] = 1;   /* song length */
    mod[951] = 127;
    memcpy(mod + 1080, "M.K.", 4);
    unsigned char *note = mod + HEADER;
    note[0] = 0x01; note[1] = 0xac; /* sample 1, period 428 */
    note[2] = 0x10; note[3] = 0x00;
    for (int i = 0; i < SAMPLE; ++i)
        mod[HEADER + PATTERN + i] = (unsigned char)(i < SAMPLE / 2 ? 64 : -64);
    *size = HEADER + PATTERN + SAMPLE;
    return mod;
}

static int check_openmpt(void)
{
    int error = 0;
    const char *message = NULL;
    char garbage[256];
    memset(garbage, 0x5a, sizeof garbage);
    openmpt_module *bad = openmpt_module_create_from_memory2(
        garbage, sizeof garbage, openmpt_log_func_silent, NULL, openmpt_error_func_store, NULL,
        &error, &message, NULL);
    if (bad || error == OPENMPT_ERROR_OK)
        return fail("libopenmpt", "garbage loaded as a module");
    openmpt_free_string(message);

    size_t size;
    unsigned char *data = make_mod(&size);
    error = 0;
    message = NULL;
    openmpt_module *mod = openmpt_module_create_from_memory2(
        data, size, openmpt_log_func_silent, NULL, openmpt_error_func_store, NULL, &error,
        &message, NULL);
    free(data);
    if (!mod) {
        fprintf(stderr, "check-deps: libopenmpt: %s\n", message ? message : "?");
        openmpt_free_string(message);
        return 1;
    }
    double duration = openmpt_module_get_duration_seconds(mod);
    static float frames[2 * 4800];
    size_t got = openmpt_module_read_interleaved_float_stereo(mod, 48000, 4800, frames);
    float peak = 0.0f;
    for (size_t i = 0; i < 2 * got; ++i)
        peak = fmaxf(peak, fabsf(frames[i]));
    double at = openmpt_module_set_position_seconds(mod, 5.0);
    size_t tail = openmpt_module_read_interleaved_float_stereo(mod, 48000, 4800, frames);
    openmpt_module_destroy(mod);
    if (fabs(duration - 7.68) > 0.05 || got != 4800 || peak < 0.01f || fabs(at - 5.0) > 0.1 ||
        tail != 4800)
        return fail("libopenmpt", "module did not play as made");

    const char *version = openmpt_get_string("library_version");
    printf("libopenmpt    %s (0x%08x; %.2f s module, peak %.2f)\n", version,
           openmpt_get_library_version(), duration, peak);
    openmpt_free_string(version);
    return 0;
}

int main(void)
{
    if (check_zlib() || check_png() || check_turbojpeg() || check_freetype() || check_openmpt())
        return 1;
    printf("check-deps: all five libraries link and run\n");
    return 0;
}
