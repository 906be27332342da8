// The dialog templates of the program: the about box, the initial view and
// every screen. Screens are 137 x 125 dialog units with no caption; controls
// are listed in tab order. The same control identifier may appear on several
// templates (1024, 1027, 1061): each screen binds its own controls.
#include "resources/DialogTemplate.h"

#include <algorithm>
#include <array>

namespace p42r::resources {
namespace {

constexpr int kScreenWidth = 137;
constexpr int kScreenHeight = 125;

// The framework's OK command; the about box closes with it.
constexpr std::uint16_t kOkCommand = 1;

constexpr std::uint32_t kEditBase = kStyleTabStop | kStyleBorder;
constexpr std::uint32_t kPasswordEdit = kEditBase | kStylePassword | kStyleAutoHScroll;
constexpr std::uint32_t kListBase =
    kStyleTabStop | kStyleListReport | kStyleListSingleSel | kStyleListShowSelAlways;

// Every field of a control, so that no template leaves one to chance.
constexpr ControlTemplate Control(std::uint16_t id, ControlKind kind, std::u16string_view text,
                                  DialogRect rect, std::uint32_t style,
                                  std::uint16_t maxLength = 0) {
  return {.id = id,
          .kind = kind,
          .text = text,
          .rect = rect,
          .style = style,
          .maxLength = maxLength};
}

constexpr ControlTemplate Static(std::uint16_t id, std::u16string_view text, DialogRect rect,
                                 std::uint32_t style = kStyleNone) {
  return Control(id, ControlKind::Static, text, rect, style);
}

constexpr ControlTemplate Picture(std::uint16_t id, DialogRect rect, std::uint32_t style) {
  return Control(id, ControlKind::Picture, u"", rect, style);
}

constexpr ControlTemplate Button(std::uint16_t id, std::u16string_view text, DialogRect rect,
                                 std::uint32_t style = kStyleNone) {
  return Control(id, ControlKind::Button, text, rect, kStyleTabStop | style);
}

constexpr ControlTemplate Radio(std::uint16_t id, std::u16string_view text, DialogRect rect,
                                std::uint32_t style = kStyleNone) {
  return Control(id, ControlKind::RadioButton, text, rect, kStyleTabStop | style);
}

constexpr ControlTemplate Edit(std::uint16_t id, DialogRect rect, std::uint32_t style,
                               std::uint16_t maxLength) {
  return Control(id, ControlKind::Edit, u"", rect, style, maxLength);
}

constexpr ControlTemplate List(std::uint16_t id, DialogRect rect, std::uint32_t style) {
  return Control(id, ControlKind::ListView, u"", rect, style);
}

// 100 and 200: the about box, upright and for a screen wider than high.
// Only the layout differs.
constexpr auto kAboutControls = std::to_array<ControlTemplate>({
    Picture(kUnnamedControl, {7, 7, 20, 20}, kStyleNone),  // the program icon
    Static(kUnnamedControl, u"PocketPC Version 1.0", {34, 13, 96, 8}),
    Button(kOkCommand, u"OK", {43, 104, 50, 14}, kStyleDefaultButton),
});
constexpr auto kAboutWideControls = std::to_array<ControlTemplate>({
    Picture(kUnnamedControl, {7, 7, 20, 20}, kStyleNone),
    Static(kUnnamedControl, u"PocketPC Version 1.0", {34, 13, 96, 8}),
    Button(kOkCommand, u"OK", {123, 69, 50, 14}, kStyleDefaultButton),
});
constexpr int kAboutWideWidth = 180;
constexpr int kAboutWideHeight = 90;
constexpr std::u16string_view kAboutCaption = u"バージョン情報";

// 201: start-up. 1077 only marks where the start-up picture is drawn.
constexpr auto kStartControls = std::to_array<ControlTemplate>({
    Static(1003, u"Version 1.0.0", {7, 102, 123, 8}, kStyleAlignRight),
    Static(1089, u"", {7, 82, 123, 17}),
    Static(1077, u"", {11, 7, 115, 80}),
});

// 202: password authentication.
constexpr auto kCheckPasswordControls = std::to_array<ControlTemplate>({
    Static(1004, u"パスワードを入力してください", {14, 27, 116, 8}),
    Edit(1000, {14, 41, 109, 12}, kPasswordEdit, 20),
    Button(1001, u"認証", {43, 62, 50, 14}),
    Button(1002, u"終了", {78, 104, 50, 14}),
});

// 203: lock release; the prompt needs two lines.
constexpr auto kUnlockControls = std::to_array<ControlTemplate>({
    Static(1008, u"ロック解除用パスワードを入力してください", {14, 22, 116, 17}),
    Edit(1005, {14, 41, 109, 12}, kPasswordEdit, 20),
    Button(1006, u"解除", {43, 62, 50, 14}),
    Button(1007, u"終了", {78, 104, 50, 14}),
});

// 204: password change.
constexpr auto kChangePasswordControls = std::to_array<ControlTemplate>({
    Static(1009, u"パスワードを設定してください", {7, 7, 123, 8}),
    Static(1010, u"新しいパスワードを入力してください", {7, 21, 123, 17}),
    Edit(1011, {14, 39, 109, 12}, kPasswordEdit, 10),
    Static(1013, u"再度入力してください", {7, 58, 123, 8}),
    Edit(1012, {14, 69, 109, 12}, kPasswordEdit, 10),
    Button(1014, u"決定", {7, 104, 50, 14}),
    Button(1015, u"キャンセル", {78, 104, 50, 14}),
});

// 205: general menu. 1016 and 1018 are hidden by the screen's first layout.
constexpr auto kGeneralMenuControls = std::to_array<ControlTemplate>({
    Static(1020, u"処理を選択してください", {14, 23, 116, 8}),
    Button(1016, u"ケータイアップデート", {39, 37, 59, 14}),
    Button(1017, u"通信状態表示", {39, 56, 59, 14}),
    Button(1018, u"アプリ実行", {39, 75, 59, 14}),
    Button(1019, u"終了", {78, 104, 50, 14}),
});

// 206: administrator menu, connection limit.
constexpr auto kAdminConnectionMenuControls = std::to_array<ControlTemplate>({
    Static(1023, u"処理を選択してください", {14, 29, 116, 8}),
    Button(1021, u"接続先限定", {43, 55, 50, 14}),
    Button(1024, u"パスワード変更", {7, 104, 50, 14}),
    Button(1022, u"終了", {78, 104, 50, 14}),
});

// 207: administrator menu, ID registration.
constexpr auto kAdminSecurityMenuControls = std::to_array<ControlTemplate>({
    Static(1026, u"処理を選択してください", {14, 27, 116, 8}),
    Button(1024, u"ID登録", {43, 55, 50, 14}),
    Button(1027, u"パスワード変更", {7, 104, 50, 14}),
    Button(1025, u"終了", {78, 104, 50, 14}),
});

// 208: phone update start page.
constexpr auto kPortableUpdateControls = std::to_array<ControlTemplate>({
    Static(1029, u"ケータイアップデートを開始します", {12, 27, 118, 8}),
    Button(1027, u"開始", {43, 55, 50, 14}),
    Button(1028, u"戻る", {78, 104, 50, 14}),
});

// 209: phone update progress. 1030, 1062 and 1079 are hidden by the screen's
// first layout; 1079 marks where the animation is drawn.
constexpr auto kUpdatingControls = std::to_array<ControlTemplate>({
    Button(1030, u"中止", {7, 105, 50, 14}),
    Control(1031, ControlKind::ProgressBar, u"", {7, 78, 123, 12}, kStyleNone),
    Button(1061, u"戻る", {80, 105, 50, 14}),
    Picture(1062, {7, 7, 13, 14}, kStyleHidden),
    Edit(1072, {7, 55, 123, 20},
         kEditBase | kStyleMultiline | kStyleReadOnly | kStyleAutoVScroll, 0),
    Static(1090, u"アプリケーションを終了させないで下さい。", {7, 94, 123, 8}),
    Static(1079, u"スタティック", {11, 7, 115, 43}),
});

// 210: communication state. 1078 marks where the signal picture is drawn.
constexpr auto kDisplayStateControls = std::to_array<ControlTemplate>({
    Button(1033, u"状態取得", {43, 66, 50, 14}),
    Button(1034, u"LED表示変更", {43, 84, 50, 14}),
    Button(1035, u"戻る", {78, 104, 50, 14}),
    Picture(1065, {42, 6, 13, 14}, kStyleHidden),
    Static(1088, u"CDMA 1X WIN", {47, 55, 43, 8}, kStyleAlignCenter),
    Static(1078, u"スタティック", {48, 7, 40, 40}),
});

// 211: LED display setting. The first radio button starts the group and the
// button after the second one closes it.
constexpr auto kLedDisplayControls = std::to_array<ControlTemplate>({
    Static(1040, u"通信状態", {7, 12, 34, 8}),
    Control(kUnnamedControl, ControlKind::GroupBox, u"", {11, 20, 117, 53}, kStyleNone),
    Radio(1036, u"LED表示ON", {23, 35, 51, 10}, kStyleGroup),
    Radio(1037, u"LED表示OFF", {23, 52, 54, 10}),
    Button(1038, u"決定", {78, 75, 50, 14}, kStyleGroup),
    Button(1039, u"戻る", {78, 104, 50, 14}),
});

// 212: connection-destination limit. The list shows exactly three slots, so
// it neither scrolls nor needs a header; the three slot buttons share one row.
constexpr auto kLimitConnectControls = std::to_array<ControlTemplate>({
    Static(1048, u"ドメインを選択して下さい", {7, 7, 123, 8}),
    Static(1049, u"接続可能ドメイン一覧", {7, 19, 123, 8}),
    List(1045, {7, 29, 123, 34},
         kListBase | kStyleListNoColumnHeader | kStyleListNoScroll | kStyleBorder),
    Static(1068, u"ドメイン名", {7, 69, 36, 8}),
    Edit(1041, {45, 67, 85, 12}, kEditBase | kStyleAutoHScroll, 20),
    Button(1042, u"追加", {7, 84, 38, 14}),
    Button(1043, u"編集", {49, 84, 38, 14}),
    Button(1044, u"削除", {92, 84, 38, 14}),
    Button(1046, u"接続結果表示", {7, 104, 50, 14}),
    Button(1047, u"戻る", {78, 104, 50, 14}),
});

// 214: application list.
constexpr auto kRunApplicationControls = std::to_array<ControlTemplate>({
    Static(1058, u"アプリ一覧", {7, 7, 123, 8}),
    List(1052, {7, 17, 123, 54}, kListBase | kStyleListNoColumnHeader),
    Button(1053, u"起動", {7, 77, 50, 14}),
    Button(1054, u"終了", {80, 77, 50, 14}),
    Button(1057, u"戻る", {80, 104, 50, 14}),
});

// 215: ID registration. Return in the field inserts a line break.
constexpr auto kSecurityControls = std::to_array<ControlTemplate>({
    Static(kUnnamedControl, u"専用メモリ領域書き込みデータ", {7, 7, 123, 8}),
    Edit(1069, {7, 19, 123, 48},
         kEditBase | kStyleMultiline | kStyleWantReturn | kStyleAutoVScroll, 64),
    Button(1070, u"登録", {43, 75, 50, 14}),
    Button(1061, u"戻る", {78, 104, 50, 14}),
});

// 216: consumer menu, the first menu after start-up.
constexpr auto kConsumerMenuControls = std::to_array<ControlTemplate>({
    Static(1075, u"処理を選択してください", {12, 24, 118, 8}),
    Button(1073, u"ケータイアップデート", {38, 55, 60, 14}),
    Button(1074, u"終了", {80, 104, 50, 14}),
});

constexpr DialogTemplate Dialog(std::uint16_t id, int width, int height,
                                std::u16string_view caption,
                                std::span<const ControlTemplate> controls) {
  return {.id = id, .width = width, .height = height, .caption = caption, .controls = controls};
}

constexpr DialogTemplate Screen(std::uint16_t id, std::span<const ControlTemplate> controls) {
  return Dialog(id, kScreenWidth, kScreenHeight, u"", controls);
}

constexpr auto kDialogs = std::to_array<DialogTemplate>({
    Dialog(100, kScreenWidth, kScreenHeight, kAboutCaption, kAboutControls),
    // The frame's initial view, visible only until the start-up screen is shown.
    Screen(101, {}),
    Dialog(200, kAboutWideWidth, kAboutWideHeight, kAboutCaption, kAboutWideControls),
    Screen(201, kStartControls),
    Screen(202, kCheckPasswordControls),
    Screen(203, kUnlockControls),
    Screen(204, kChangePasswordControls),
    Screen(205, kGeneralMenuControls),
    Screen(206, kAdminConnectionMenuControls),
    Screen(207, kAdminSecurityMenuControls),
    Screen(208, kPortableUpdateControls),
    Screen(209, kUpdatingControls),
    Screen(210, kDisplayStateControls),
    Screen(211, kLedDisplayControls),
    Screen(212, kLimitConnectControls),
    // Belongs to no screen and is never shown; it stays empty so that every
    // template identifier the program carries still resolves.
    Screen(213, {}),
    Screen(214, kRunApplicationControls),
    Screen(215, kSecurityControls),
    Screen(216, kConsumerMenuControls),
});

constexpr bool StrictlyAscending() {
  for (std::size_t i = 1; i < kDialogs.size(); ++i) {
    if (kDialogs[i - 1].id >= kDialogs[i].id) {
      return false;
    }
  }
  return true;
}
static_assert(StrictlyAscending(), "dialog templates must be sorted by id without duplicates");

}  // namespace

const DialogTemplate* FindDialog(std::uint16_t id) {
  const auto* found = std::lower_bound(
      kDialogs.begin(), kDialogs.end(), id,
      [](const DialogTemplate& dialog, std::uint16_t wanted) { return dialog.id < wanted; });
  if (found == kDialogs.end() || found->id != id) {
    return nullptr;
  }
  return found;
}

std::span<const DialogTemplate> AllDialogs() { return kDialogs; }

}  // namespace p42r::resources
