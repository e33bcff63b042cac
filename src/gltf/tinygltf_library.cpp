// tinygltf's implementation, compiled once, here, and nothing else.
#define TINYGLTF_IMPLEMENTATION
#include "gltf/tinygltf_api.h"
