// The About page's picture, embedded in the program at build time: the bytes
// of a device-independent bitmap file, 425 x 160 pixels at 24 bits per pixel.
#pragma once

#include <cstdint>
#include <span>

std::span<const std::uint8_t> AboutPictureBitmap();
