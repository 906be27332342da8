// A display with real forms for render tests: the platform stand-in on a
// manual clock, forms built from the program's templates, and snapshot
// comparison against the expected grids in testdata/.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frontends/render/DisplayRenderer.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/Form.h"
#include "platform/Window.h"
#include "resources/StringTable.h"

namespace p42r::frontends::render::testing {

// What the update screen shows at 50 %: the card's notice that the download
// is complete (the update screen's notice texts start at 32000).
inline constexpr std::uint32_t kDownloadCompleteText = 32007;

struct RenderFixture : ::testing::Test {
  platform::ManualClock clock;
  platform::EventLoop loop{clock};
  platform::WindowSystem windows{loop};
  platform::Display display{loop};
  PictureLibrary pictures;
  std::vector<std::unique_ptr<platform::Form>> forms;

  // A form on template `id`, made the active one, under the program's title.
  platform::Form& Show(std::uint16_t id);
  Rendering Render(int columns = kMinimumColumns, int rows = kMinimumRows, int selectedButton = 0);
  // Fills the application list of template 214 with two rows, the second selected.
  static void FillApplications(platform::Control& list);
  // Delivers everything posted (the draws of other threads among it).
  void Flush();
};

// Compares `grid` with testdata/NAME.txt. With P42R_UPDATE_SNAPSHOTS=1 in the
// environment the file is written instead, for a reviewed change of the look.
void ExpectSnapshot(const CellGrid& grid, const std::string& name);

// The grid's cells in a rectangle, for checks on colours.
std::vector<Cell> CellsIn(const CellGrid& grid, const CellRect& area);

}  // namespace p42r::frontends::render::testing
