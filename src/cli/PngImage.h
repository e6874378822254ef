// PNG pictures for the command line.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// The PNG file of opaque 0xAARRGGBB pixels, rows `width` pixels apart; empty
// when the picture cannot be encoded or the build has no PNG writer.
std::string EncodePng(const uint32_t* pixels, int width, int height);

}  // namespace kv
