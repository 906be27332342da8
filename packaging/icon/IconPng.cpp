// Writes the desktop icon from the program's own icon resource, so that the
// menu shows exactly the picture the program carries:
//   p42r-icon-png OUTPUT_DIRECTORY
// makes OUTPUT_DIRECTORY/NxN/p42r.png at the icon's size and at two and four
// times it. Each pixel becomes a whole square of pixels, so the pixel art
// stays crisp. Exit codes: 0 written, 1 failed, 2 wrong arguments.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstring>

#include "resources/Bitmaps.h"

namespace {

// Every pixel of `image` as a `factor` x `factor` square.
QImage Enlarge(const QImage& image, int factor) {
  QImage out(image.width() * factor, image.height() * factor, QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, image.pixel(x / factor, y / factor));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(argc == 2 ? stdout : stderr,
                 "Usage: %s OUTPUT_DIRECTORY\n"
                 "Writes the program icon as OUTPUT_DIRECTORY/NxN/p42r.png at 1, 2 and 4 times its size.\n",
                 argv[0]);
    return argc == 2 ? 0 : 2;
  }
  const auto bmp = p42r::resources::FindBitmap(p42r::resources::kBitmapProgramIcon);
  QImage icon;
  if (bmp.empty() || !icon.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP")) {
    std::fprintf(stderr, "p42r-icon-png: the program icon (bitmap %d) is missing or not a BMP\n",
                 p42r::resources::kBitmapProgramIcon);
    return 1;
  }
  const QString directory = QString::fromLocal8Bit(argv[1]);
  for (int factor : {1, 2, 4}) {
    const QImage image = Enlarge(icon, factor);
    const QString size = QString("%1x%2").arg(image.width()).arg(image.height());
    const QString path = directory + "/" + size + "/p42r.png";
    if (!QDir(directory).mkpath(size) || !image.save(path, "PNG")) {
      std::fprintf(stderr, "p42r-icon-png: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
