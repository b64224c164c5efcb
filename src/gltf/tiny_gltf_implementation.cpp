// tinygltf is a header-only library: its functions, and stb_image's that it
// reads images with, are compiled here and nowhere else. stb_image_write's
// are compiled with the BMP writer of the MilkShape export.
#define TINYGLTF_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#include <tiny_gltf.h>
