// The program's bitmaps, decoded once on first use and kept for the run.
// A bitmap the program lacks, or one that cannot be decoded, is nothing:
// the placeholder then stays empty. User-interface thread only.
#pragma once

#include <map>
#include <memory>

#include "frontends/render/BmpDecoder.h"

namespace p42r::frontends::render {

class PictureLibrary {
 public:
  const Image* find(int resource);

 private:
  std::map<int, std::unique_ptr<Image>> decoded_;
};

}  // namespace p42r::frontends::render
