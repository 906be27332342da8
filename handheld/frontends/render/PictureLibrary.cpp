#include "frontends/render/PictureLibrary.h"

#include "resources/Bitmaps.h"

namespace p42r::frontends::render {

const Image* PictureLibrary::find(int resource) {
  const auto known = decoded_.find(resource);
  if (known != decoded_.end()) return known->second.get();
  std::unique_ptr<Image> image;
  auto result = DecodeBmp(resources::FindBitmap(resource));
  if (auto* decoded = std::get_if<Image>(&result)) image = std::make_unique<Image>(std::move(*decoded));
  const Image* found = image.get();
  decoded_.emplace(resource, std::move(image));
  return found;
}

}  // namespace p42r::frontends::render
