// The one compilation of stb_image's implementation, limited to the formats
// the stand-in reports, and the header read that needs its internals. Its
// header is included as a system header, so its own warnings stay out of our
// warnings-as-errors build.
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_TGA
#define STBI_ONLY_PNM
// Decoded pixels are adopted by the stand-in and released with free().
#define STBI_MALLOC(size) malloc(size)
#define STBI_REALLOC(block, size) realloc(block, size)
#define STBI_FREE(block) free(block)
#include <stb_image.h>

#include "testbed/imagelib/format_decoders.h"

namespace testbed {

// The dispatch of stbi__load_main for the formats compiled in, with each
// format's header read in place of its load.
int StbHeaderInfo(const uint8_t* bytes, int size, int* width, int* height, int* channels) noexcept
{
    stbi__context context;
    stbi__start_mem(&context, bytes, size);
    if (stbi__png_test(&context))
        return stbi__png_info(&context, width, height, channels);
    if (stbi__bmp_test(&context))
        return stbi__bmp_info(&context, width, height, channels);
    if (stbi__gif_test(&context))
        return stbi__gif_info(&context, width, height, channels);
    if (stbi__jpeg_test(&context))
        return stbi__jpeg_info(&context, width, height, channels);
    if (stbi__pnm_test(&context))
        return stbi__pnm_info(&context, width, height, channels);
    if (stbi__tga_test(&context))
        return stbi__tga_info(&context, width, height, channels);
    return 0;
}

}  // namespace testbed
