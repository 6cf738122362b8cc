#include "app/window/AboutPicture.h"

#include <cstddef>

// Defined in the source that MakeAboutPicture writes.
namespace quorvel::about_picture {
extern const std::uint8_t Bytes[];
extern const std::size_t Size;
}  // namespace quorvel::about_picture

std::span<const std::uint8_t> AboutPictureBitmap() {
  return {quorvel::about_picture::Bytes, quorvel::about_picture::Size};
}
