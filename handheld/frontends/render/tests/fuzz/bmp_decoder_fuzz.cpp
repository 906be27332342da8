// Any bytes into the BMP decoder: it must answer with an image whose pixel
// count matches its size, or with an error, and never read past the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "frontends/render/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto result = p42r::frontends::render::DecodeBmp({data, size});
  if (const auto* image = std::get_if<p42r::frontends::render::Image>(&result)) {
    if (image->pixels.size() != static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height)) {
      std::abort();
    }
  }
  return 0;
}
