// The program's own bitmaps as the handheld describes them, and how they
// come out in cells: half blocks that average what they cover, transparency
// past the bitmap's edge, and pictures that stay apart on the smallest
// terminal when every colour goes through the 256-colour palette.
#include <gtest/gtest.h>

#include <array>

#include "RenderFixture.h"
#include "frontends/render/PicturePainter.h"
#include "platform/Form.h"
#include "resources/Bitmaps.h"

namespace p42r::frontends::render::testing {
namespace {

using platform::Picture;
using platform::PictureMode;

const Image& Bitmap(PictureLibrary& library, int id) {
  const Image* image = library.find(id);
  if (image == nullptr) {
    ADD_FAILURE() << "bitmap " << id << " is missing or does not decode";
    static const Image none;
    return none;
  }
  return *image;
}

bool IsWhite(Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; }

TEST(ProgramBitmaps, EveryBitmapIsATwentyFourBitBmpOfItsSize) {
  PictureLibrary library;
  for (int id = 130; id <= 143; ++id) {
    const auto bytes = resources::FindBitmap(id);
    ASSERT_GT(bytes.size(), 54u) << id;
    EXPECT_EQ(bytes[28], 24) << "bitmap " << id << " is not 24-bit";
    const Image& image = Bitmap(library, id);
    if (id <= 137) {
      EXPECT_EQ(image.width, 215) << id;
      EXPECT_EQ(image.height, 80) << id;
    } else if (id <= 142) {
      EXPECT_EQ(image.width, 80) << id;
      EXPECT_EQ(image.height, 80) << id;
    }
  }
  EXPECT_TRUE(resources::FindBitmap(129).empty());
  EXPECT_TRUE(resources::FindBitmap(144).empty());
  EXPECT_EQ(library.find(144), nullptr);
}

TEST(ProgramBitmaps, AnimationFrameNFillsTheFirstNPlusOneOfEightSquares) {
  PictureLibrary library;
  for (int n = 0; n < resources::kBitmapAnimationFrames; ++n) {
    const Image& frame = Bitmap(library, resources::kBitmapAnimationFirst + n);
    // Along the middle of the row of squares: a filled square is one white
    // run, an empty one two thin white edges with orange between them.
    const int y = 63;
    std::vector<int> runs;
    int run = 0;
    for (int x = 0; x < frame.width; ++x) {
      if (IsWhite(frame.at(x, y))) {
        ++run;
      } else if (run > 0) {
        runs.push_back(run);
        run = 0;
      }
    }
    if (run > 0) runs.push_back(run);
    int filled = 0;
    int edges = 0;
    for (int length : runs) (length > 8 ? filled : edges) += 1;
    EXPECT_EQ(filled, n + 1) << "frame " << n;
    EXPECT_EQ(edges, 2 * (7 - n)) << "frame " << n;
    // The field is orange and carries the white title above the squares.
    const Rgb corner = frame.at(0, 0);
    EXPECT_GT(corner.r, 200);
    EXPECT_LT(corner.b, 80);
    int titlePixels = 0;
    for (int ty = 4; ty < 48; ++ty) {
      for (int tx = 0; tx < frame.width; ++tx) titlePixels += IsWhite(frame.at(tx, ty)) ? 1 : 0;
    }
    EXPECT_GT(titlePixels, 400) << "frame " << n << " lacks its title";
  }
}

TEST(ProgramBitmaps, SignalPicturesAreWhiteOnDarkBlueWithMoreWhiteForMoreBars) {
  PictureLibrary library;
  const std::array<int, 4> byBars = {resources::kBitmapNoBars, resources::kBitmapOneBar, resources::kBitmapTwoBars,
                                     resources::kBitmapThreeBars};
  int previous = -1;
  for (int id : byBars) {
    const Image& image = Bitmap(library, id);
    const Rgb background = image.at(79, 0);
    EXPECT_LT(background.r, 40) << id;
    EXPECT_GT(background.b, 80) << id;
    int white = 0;
    for (const Rgb& pixel : image.pixels) white += IsWhite(pixel) ? 1 : 0;
    EXPECT_GT(white, previous) << "bitmap " << id << " should show one bar more than the one before";
    previous = white;
  }
}

TEST(PicturePainting, EachCellShowsTwoAveragedPixels) {
  Image image;
  image.width = 2;
  image.height = 4;
  // Left column: black over white; right column: red, then green, twice.
  image.pixels = {{0, 0, 0}, {255, 0, 0}, {0, 0, 0}, {255, 0, 0}, {255, 255, 255}, {0, 255, 0}, {255, 255, 255}, {0, 255, 0}};
  CellGrid grid(2, 1, {});
  PaintPicture(grid, {0, 0, 2, 1}, image, {0, 0, 2, 4});
  EXPECT_EQ(grid.at(0, 0).character, U'▀');
  EXPECT_EQ(grid.at(0, 0).style.foreground, (Rgb{0, 0, 0}));
  EXPECT_EQ(grid.at(0, 0).style.background, (Rgb{255, 255, 255}));
  EXPECT_EQ(grid.at(1, 0).style.foreground, (Rgb{255, 0, 0}));
  EXPECT_EQ(grid.at(1, 0).style.background, (Rgb{0, 255, 0}));

  // Made smaller, the two columns mix into their average.
  CellGrid small(1, 1, {});
  PaintPicture(small, {0, 0, 1, 1}, image, {0, 0, 2, 4});
  EXPECT_EQ(small.at(0, 0).style.foreground, (Rgb{128, 0, 0}));
  EXPECT_EQ(small.at(0, 0).style.background, (Rgb{128, 255, 128}));
}

TEST(PicturePainting, SourcePastTheBitmapLeavesTheCellsAlone) {
  Image image;
  image.width = 2;
  image.height = 2;
  image.pixels.assign(4, Rgb{255, 0, 0});
  const Style under{{1, 2, 3}, {9, 9, 9}};
  CellGrid grid(4, 2, under);
  grid.put(3, 1, U'x', under);
  // The source is twice the bitmap: only the top-left quarter of the cells gets it.
  PaintPicture(grid, {0, 0, 4, 2}, image, {0, 0, 4, 4});
  EXPECT_EQ(grid.at(0, 0).character, U'▀');
  EXPECT_EQ(grid.at(1, 0).style.background, (Rgb{255, 0, 0}));
  EXPECT_EQ(grid.at(2, 0).character, U' ');
  EXPECT_EQ(grid.at(2, 0).style, under);
  EXPECT_EQ(grid.at(3, 1).character, U'x');
  // Half a pixel row on the bitmap: the lower half block keeps the background.
  CellGrid edge(1, 1, under);
  PaintPicture(edge, {0, 0, 1, 1}, image, {0, 1, 2, 2});
  EXPECT_EQ(edge.at(0, 0).character, U'▀');
  EXPECT_EQ(edge.at(0, 0).style.background, under.background);
}

// The cells of the signal picture area as a 256-colour terminal shows them,
// two brightness values per cell (upper and lower half).
std::vector<int> ShownLuminance(const CellGrid& grid, const CellRect& area) {
  std::vector<int> values;
  for (const Cell& cell : CellsIn(grid, area)) {
    const Rgb fg = Palette256(Nearest256(cell.style.foreground));
    const Rgb bg = Palette256(Nearest256(cell.style.background));
    const bool upperIsForeground = cell.character == U'▀';
    const bool lowerIsForeground = cell.character == U'▄';
    values.push_back(Luminance(upperIsForeground ? fg : bg));
    values.push_back(Luminance(lowerIsForeground ? fg : bg));
  }
  return values;
}

TEST_F(RenderFixture, SignalPicturesStayApartOnTheSmallestTerminal) {
  platform::Form& screen = Show(210);
  screen.control(1078)->show(false);
  const CellRect area = DialogScale(SplitScreen(kMinimumColumns, kMinimumRows).body, 137, 125).map(screen.control(1078)->rect());
  const std::array<int, 5> levels = {resources::kBitmapOutOfService, resources::kBitmapNoBars, resources::kBitmapOneBar,
                                     resources::kBitmapTwoBars, resources::kBitmapThreeBars};
  std::vector<std::vector<int>> shown;
  for (int id : levels) {
    screen.control(1078)->setPicture(Picture{id, PictureMode::Stretch, 0, 0});
    shown.push_back(ShownLuminance(Render().grid, area));
  }
  for (std::size_t a = 0; a < shown.size(); ++a) {
    for (std::size_t b = a + 1; b < shown.size(); ++b) {
      int different = 0;
      for (std::size_t i = 0; i < shown[a].size(); ++i) different += std::abs(shown[a][i] - shown[b][i]) > 80 ? 1 : 0;
      EXPECT_GE(different, 6) << "bitmaps " << levels[a] << " and " << levels[b] << " look alike in "
                              << area.width << "x" << area.height << " cells";
    }
  }
  // More bars, more light: the bars themselves survive the scaling.
  const auto bright = [](const std::vector<int>& values) {
    int count = 0;
    for (int v : values) count += v > 128 ? 1 : 0;
    return count;
  };
  for (std::size_t level = 2; level < shown.size(); ++level) {
    EXPECT_GT(bright(shown[level]), bright(shown[level - 1])) << "bitmap " << levels[level];
  }
}

TEST_F(RenderFixture, AnimationFramesStayApartOnTheSmallestTerminal) {
  platform::Form& screen = Show(209);
  screen.control(1079)->show(false);
  const CellRect area = DialogScale(SplitScreen(kMinimumColumns, kMinimumRows).body, 137, 125).map(screen.control(1079)->rect());
  int previous = -1;
  for (int n = 0; n < resources::kBitmapAnimationFrames; ++n) {
    screen.control(1079)->setPicture(Picture{resources::kBitmapAnimationFirst + n, PictureMode::Stretch, 0, 0});
    const auto values = ShownLuminance(Render().grid, area);
    // The squares fill the lowest quarter of the frame.
    int lit = 0;
    const std::size_t perRow = static_cast<std::size_t>(area.width) * 2;
    for (std::size_t i = values.size() - perRow * 2; i < values.size(); ++i) lit += values[i] > 190 ? 1 : 0;
    EXPECT_GT(lit, previous) << "frame " << n << " shows no more filled squares than the one before";
    previous = lit;
  }
}

TEST_F(RenderFixture, UnscaledPicturesKeepTheirOwnSizeAtTheOriginPair) {
  platform::Form& screen = Show(201);
  screen.control(1077)->show(false);
  screen.control(1077)->setPicture(Picture{resources::kBitmapStartup, PictureMode::Unscaled, 13, 13});
  const Rendering unscaled = Render();
  ExpectSnapshot(unscaled.grid, "startup-picture-unscaled");
  const DialogScale scale(SplitScreen(kMinimumColumns, kMinimumRows).body, 137, 125);
  const CellRect expected = scale.mapPixels(13, 13, 216, 144);
  // Painted exactly there: half blocks inside, none outside.
  for (int row = scale.form().y; row < scale.form().bottom(); ++row) {
    for (int column = scale.form().x; column < scale.form().right(); ++column) {
      const char32_t c = unscaled.grid.at(column, row).character;
      const bool block = c == U'▀' || c == U'▄';
      EXPECT_EQ(block, expected.contains(column, row)) << column << "," << row;
    }
  }
}

}  // namespace
}  // namespace p42r::frontends::render::testing
