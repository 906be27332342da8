#include "RenderFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace p42r::frontends::render::testing {

platform::Form& RenderFixture::Show(std::uint16_t id) {
  forms.push_back(std::make_unique<platform::Form>(windows, display, id, "RenderProbe"));
  platform::Form& form = *forms.back();
  form.show(true);
  display.setTitle(u"ケータイアップデート");
  display.setActiveForm(&form);
  return form;
}

Rendering RenderFixture::Render(int columns, int rows, int selectedButton) {
  return RenderDisplay(display, pictures, RenderOptions{columns, rows, selectedButton});
}

void RenderFixture::FillApplications(platform::Control& list) {
  list.insertColumn(0, {u"", 48});
  list.insertColumn(1, {u"", 192});
  list.insertRow(0, u"起動中");
  list.setCell(0, 1, u"ナビアプリ");
  list.insertRow(1, u"");
  list.setCell(1, 1, u"メール");
  list.selectRow(1);
}

void RenderFixture::Flush() {
  loop.runModal([&] { return !loop.hasPosted(); });
}

void ExpectSnapshot(const CellGrid& grid, const std::string& name) {
  const std::string path = std::string(P42R_RENDER_TESTDATA) + "/" + name + ".txt";
  const std::string actual = grid.text();
  if (const char* update = std::getenv("P42R_UPDATE_SNAPSHOTS"); update != nullptr && std::string(update) == "1") {
    std::ofstream(path) << actual;
    return;
  }
  std::ifstream file(path);
  ASSERT_TRUE(file.good()) << "no expected grid " << path << "; the grid drawn was:\n" << actual;
  std::stringstream expected;
  expected << file.rdbuf();
  EXPECT_EQ(actual, expected.str()) << "grid " << name << " differs from " << path;
}

std::vector<Cell> CellsIn(const CellGrid& grid, const CellRect& area) {
  std::vector<Cell> cells;
  for (int row = area.y; row < area.bottom(); ++row) {
    for (int column = area.x; column < area.right(); ++column) cells.push_back(grid.at(column, row));
  }
  return cells;
}

}  // namespace p42r::frontends::render::testing
