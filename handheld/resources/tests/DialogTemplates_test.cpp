// The dialog templates against the data file of every template and control,
// and the layout rules every template keeps: inside its dialog, unique
// identifiers, no overlapping controls.
#include "resources/DialogTemplate.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "TestData.h"

namespace p42r::resources {
namespace {

using testing::DataRow;
using testing::ParseNumber;
using testing::Utf8ToUtf16;
using testing::Visible;

constexpr const char* kDialogsFile = "dialogs.tsv";

std::optional<long> OptionalNumber(const std::string& field, const std::string& where) {
  if (field == "*") {
    return std::nullopt;
  }
  return ParseNumber(field, where);
}

ControlKind KindNamed(const std::string& name, const std::string& where) {
  static const std::map<std::string, ControlKind> kinds = {
      {"static", ControlKind::Static},     {"picture", ControlKind::Picture},
      {"button", ControlKind::Button},     {"radio", ControlKind::RadioButton},
      {"groupbox", ControlKind::GroupBox}, {"edit", ControlKind::Edit},
      {"listview", ControlKind::ListView}, {"progress", ControlKind::ProgressBar},
  };
  const auto found = kinds.find(name);
  if (found == kinds.end()) {
    throw std::runtime_error(where + ": unknown kind " + name);
  }
  return found->second;
}

std::uint32_t StyleNamed(const std::string& name, const std::string& where) {
  static const std::map<std::string, std::uint32_t> styles = {
      {"hidden", kStyleHidden},
      {"disabled", kStyleDisabled},
      {"tabstop", kStyleTabStop},
      {"group", kStyleGroup},
      {"border", kStyleBorder},
      {"aligncenter", kStyleAlignCenter},
      {"alignright", kStyleAlignRight},
      {"multiline", kStyleMultiline},
      {"readonly", kStyleReadOnly},
      {"password", kStylePassword},
      {"autohscroll", kStyleAutoHScroll},
      {"wantreturn", kStyleWantReturn},
      {"autovscroll", kStyleAutoVScroll},
      {"default", kStyleDefaultButton},
      {"report", kStyleListReport},
      {"singlesel", kStyleListSingleSel},
      {"showselalways", kStyleListShowSelAlways},
      {"noheader", kStyleListNoColumnHeader},
      {"noscroll", kStyleListNoScroll},
  };
  const auto found = styles.find(name);
  if (found == styles.end()) {
    throw std::runtime_error(where + ": unknown style " + name);
  }
  return found->second;
}

// One "control" row: what the template must hold.
struct ExpectedControl {
  std::string where;
  std::uint16_t dialog = 0;
  std::uint16_t id = kUnnamedControl;
  ControlKind kind = ControlKind::Static;
  std::optional<long> x, y, width, height;
  std::u16string text;
  std::uint32_t required = 0;
  std::uint32_t forbidden = 0;
  std::optional<long> maxLength;
};

struct ExpectedDialog {
  std::string where;
  std::uint16_t id = 0;
  std::optional<long> width, height;
  std::optional<std::u16string> caption;
};

struct DialogData {
  std::vector<ExpectedDialog> dialogs;
  std::vector<ExpectedControl> controls;
};

ExpectedControl ParseControl(const DataRow& row, const std::string& where) {
  if (row.fields.size() < 9 || row.fields.size() > 11) {
    throw std::runtime_error(where + ": a control row has 8 to 10 fields after \"control\"");
  }
  const auto& f = row.fields;
  ExpectedControl c;
  c.where = where;
  c.dialog = static_cast<std::uint16_t>(ParseNumber(f[1], where));
  const long id = ParseNumber(f[2], where);
  c.id = id == -1 ? kUnnamedControl : static_cast<std::uint16_t>(id);
  c.kind = KindNamed(f[3], where);
  c.x = OptionalNumber(f[4], where);
  c.y = OptionalNumber(f[5], where);
  c.width = OptionalNumber(f[6], where);
  c.height = OptionalNumber(f[7], where);
  c.text = Utf8ToUtf16(f[8]);
  if (f.size() > 9 && f[9] != "-" && !f[9].empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = f[9].find(',', start);
      const std::string name = f[9].substr(start, comma - start);
      if (name.starts_with('!')) {
        c.forbidden |= StyleNamed(name.substr(1), where);
      } else {
        c.required |= StyleNamed(name, where);
      }
      if (comma == std::string::npos) {
        break;
      }
      start = comma + 1;
    }
  }
  if (f.size() > 10) {
    c.maxLength = ParseNumber(f[10], where);
  }
  return c;
}

DialogData ReadDialogData() {
  DialogData data;
  for (const auto& row : testing::ReadDataFile(kDialogsFile)) {
    const std::string where = testing::Where(kDialogsFile, row);
    const auto& f = row.fields;
    if (f[0] == "dialog" && f.size() == 5) {
      data.dialogs.push_back({where, static_cast<std::uint16_t>(ParseNumber(f[1], where)),
                              OptionalNumber(f[2], where), OptionalNumber(f[3], where),
                              f[4] == "*" ? std::nullopt : std::optional(Utf8ToUtf16(f[4]))});
    } else if (f[0] == "control") {
      data.controls.push_back(ParseControl(row, where));
    } else {
      throw std::runtime_error(where + ": expected a dialog or control row");
    }
  }
  return data;
}

bool Matches(const ExpectedControl& want, const ControlTemplate& have) {
  return have.id == want.id && have.kind == want.kind && have.text == want.text &&
         (!want.x || have.rect.x == *want.x) && (!want.y || have.rect.y == *want.y) &&
         (!want.width || have.rect.width == *want.width) &&
         (!want.height || have.rect.height == *want.height);
}

TEST(DialogTemplates, EveryListedTemplateExistsAndNoOther) {
  const auto data = ReadDialogData();
  std::set<std::uint16_t> listed;
  for (const auto& want : data.dialogs) {
    listed.insert(want.id);
    const DialogTemplate* dialog = FindDialog(want.id);
    ASSERT_NE(dialog, nullptr) << want.where << ": template " << want.id << " is missing";
    EXPECT_EQ(dialog->id, want.id) << want.where;
    if (want.width) {
      EXPECT_EQ(dialog->width, *want.width) << want.where;
    }
    if (want.height) {
      EXPECT_EQ(dialog->height, *want.height) << want.where;
    }
    if (want.caption) {
      EXPECT_TRUE(dialog->caption == *want.caption)
          << want.where << ": caption \"" << Visible(dialog->caption) << "\"";
    }
  }
  std::uint16_t previous = 0;
  for (const auto& dialog : AllDialogs()) {
    EXPECT_TRUE(listed.contains(dialog.id)) << "unlisted template " << dialog.id;
    EXPECT_LT(previous, dialog.id) << "templates out of order";
    EXPECT_EQ(FindDialog(dialog.id), &dialog);
    previous = dialog.id;
  }
  EXPECT_EQ(AllDialogs().size(), listed.size());
  for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
    if (!listed.contains(static_cast<std::uint16_t>(id))) {
      EXPECT_EQ(FindDialog(static_cast<std::uint16_t>(id)), nullptr) << "id " << id;
    }
  }
}

TEST(DialogTemplates, EveryListedControlIsThereAsListedAndNoOther) {
  const auto data = ReadDialogData();
  std::map<std::uint16_t, std::size_t> listedPerDialog;
  for (const auto& want : data.controls) {
    ++listedPerDialog[want.dialog];
    const DialogTemplate* dialog = FindDialog(want.dialog);
    ASSERT_NE(dialog, nullptr) << want.where;
    const ControlTemplate* match = nullptr;
    for (const auto& have : dialog->controls) {
      if (Matches(want, have)) {
        match = &have;
        break;
      }
    }
    ASSERT_NE(match, nullptr) << want.where << ": no control " << want.id << " of that kind, "
                              << "text and position in template " << want.dialog;
    EXPECT_EQ(match->style & want.required, want.required) << want.where << ": styles missing";
    EXPECT_EQ(match->style & want.forbidden, 0u) << want.where << ": style must not be set";
    if (want.maxLength) {
      EXPECT_EQ(match->maxLength, *want.maxLength) << want.where;
    }
  }
  for (const auto& dialog : AllDialogs()) {
    EXPECT_EQ(dialog.controls.size(), listedPerDialog[dialog.id])
        << "template " << dialog.id << " holds controls that are not listed, or lacks some";
  }
}

TEST(DialogTemplates, ControlsLieInsideTheirDialog) {
  for (const auto& dialog : AllDialogs()) {
    for (const auto& control : dialog.controls) {
      const DialogRect& r = control.rect;
      EXPECT_TRUE(r.width > 0 && r.height > 0 && r.x >= 0 && r.y >= 0 &&
                  r.x + r.width <= dialog.width && r.y + r.height <= dialog.height)
          << "template " << dialog.id << " control " << control.id << " at " << r.x << ","
          << r.y << " " << r.width << "x" << r.height;
    }
  }
}

TEST(DialogTemplates, ControlIdsAreUniqueWithinATemplate) {
  for (const auto& dialog : AllDialogs()) {
    std::set<std::uint16_t> seen;
    for (const auto& control : dialog.controls) {
      if (control.id != kUnnamedControl) {
        EXPECT_TRUE(seen.insert(control.id).second)
            << "template " << dialog.id << " has control " << control.id << " twice";
      }
    }
  }
}

// Nothing the user operates may cover another control; only group boxes
// (which frame controls) and pictures (which sit on drawing placeholders) may
// lie under one. Labels may overlap the hidden drawing placeholders.
TEST(DialogTemplates, OperatedControlsDoNotOverlapOthers) {
  const auto operated = [](const ControlTemplate& c) {
    return c.kind == ControlKind::Button || c.kind == ControlKind::RadioButton ||
           c.kind == ControlKind::Edit || c.kind == ControlKind::ListView ||
           c.kind == ControlKind::ProgressBar;
  };
  const auto framing = [](const ControlTemplate& c) {
    return c.kind == ControlKind::GroupBox || c.kind == ControlKind::Picture;
  };
  for (const auto& dialog : AllDialogs()) {
    const auto& controls = dialog.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      for (std::size_t j = i + 1; j < controls.size(); ++j) {
        const ControlTemplate& a = controls[i];
        const ControlTemplate& b = controls[j];
        if ((!operated(a) && !operated(b)) || framing(a) || framing(b)) {
          continue;
        }
        const bool overlap = a.rect.x < b.rect.x + b.rect.width &&
                             b.rect.x < a.rect.x + a.rect.width &&
                             a.rect.y < b.rect.y + b.rect.height &&
                             b.rect.y < a.rect.y + a.rect.height;
        EXPECT_FALSE(overlap) << "template " << dialog.id << ": controls " << a.id << " and "
                              << b.id << " overlap";
      }
    }
  }
}

TEST(DialogTemplates, LedRadioButtonsSitInsideTheirGroupBox) {
  const DialogTemplate* dialog = FindDialog(211);
  ASSERT_NE(dialog, nullptr);
  const ControlTemplate* box = nullptr;
  for (const auto& control : dialog->controls) {
    if (control.kind == ControlKind::GroupBox) {
      box = &control;
    }
  }
  ASSERT_NE(box, nullptr);
  int radios = 0;
  for (const auto& control : dialog->controls) {
    if (control.kind != ControlKind::RadioButton) {
      continue;
    }
    ++radios;
    const DialogRect& r = control.rect;
    EXPECT_TRUE(r.x >= box->rect.x && r.y >= box->rect.y &&
                r.x + r.width <= box->rect.x + box->rect.width &&
                r.y + r.height <= box->rect.y + box->rect.height)
        << "radio " << control.id;
  }
  EXPECT_EQ(radios, 2);
}

}  // namespace
}  // namespace p42r::resources
