// tinygltf's declarations, configured as every file of the reader must see
// them alike (the settings change the loader's members): it decodes no
// picture itself, since the reader keeps each picture's encoded bytes and
// decodes only those a piece uses, and it writes nothing.
#pragma once

#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_INCLUDE_STB_IMAGE
#define TINYGLTF_NO_INCLUDE_STB_IMAGE_WRITE
#define TINYGLTF_USE_CPP14
#include <tiny_gltf.h>
