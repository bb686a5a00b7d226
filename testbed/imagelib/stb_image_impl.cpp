// The one compilation of stb_image's implementation, limited to the formats
// the stand-in reports. Its header is included as a system header, so its
// own warnings stay out of our warnings-as-errors build.
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
