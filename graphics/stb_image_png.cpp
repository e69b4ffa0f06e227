// The stb_image decoder from Debian's packaged header, compiled here with the
// PNG reader only and a dimension limit: the other formats of the prebuilt
// library are never built into the framework.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 4096
#include <stb_image.h>

#include "graphics/image_data.h"

static_assert(STBI_MAX_DIMENSIONS == kImageMaxDimension, "one limit for the decoder and the framework");
