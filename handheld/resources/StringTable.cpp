// The string table: every text the program loads by identifier, in ascending
// identifier order so that a lookup is a binary search. Texts are exactly what
// the user sees or the module receives: full-width characters stay full-width,
// "\r\n" inside a text is a real CR LF, and format texts keep their "%s".
#include "resources/StringTable.h"

#include <algorithm>
#include <array>

namespace p42r::resources {
namespace {

struct StringEntry {
  std::uint32_t id;
  std::u16string_view text;
};

// The words of every "no response from the device" message; eleven screens
// each own an identifier for it.
constexpr std::u16string_view kNoResponse = u"デバイスからの応答がありません。処理を中断します。";

constexpr std::u16string_view kUpdateCompleted = u"ケータイアップデートが正常に完了しました。";

constexpr auto kStrings = std::to_array<StringEntry>({
    // Document template string: window title, then the document's names.
    {128, u"ケータイアップデート\n\nPocketPC\n\n\nPocketPC.Document\nPocketPC.Document"},

    // Screen codes: two blanks, three digits and the parenthesis that closes
    // an error text's code. 20026 belongs to the serial reader thread.
    {20000, u"  001)"},
    {20001, u"  002)"},
    {20002, u"  003)"},
    {20003, u"  004)"},
    {20004, u"  005)"},
    {20005, u"  006)"},
    {20006, u"  007)"},
    {20007, u"  008)"},
    {20008, u"  009)"},
    {20009, u"  010)"},
    {20010, u"  011)"},
    {20011, u"  012)"},
    {20012, u"  013)"},
    {20013, u"  014)"},
    {20014, u"  015)"},
    {20015, u"  016)"},
    {20016, u"  017)"},
    {20017, u"  018)"},
    {20018, u"  019)"},
    {20019, u"  020)"},
    {20020, u"  021)"},
    {20021, u"  022)"},
    {20022, u"  023)"},
    {20023, u"  024)"},
    {20024, u"  025)"},
    {20025, u"  026)"},
    {20026, u"  027)"},

    // Error kinds.
    {20100, u"ポート状態エラー"},
    {20101, u"ポートオープンエラー"},
    {20102, u"ポートクローズエラー"},
    {20103, u"ポート書き込みエラー"},
    {20104, u"ポート読み込みエラー"},
    {20105, u"画像読み込みエラー"},
    {20106, u"タイマーエラー"},
    {20107, u"スレッドエラー"},

    // Error codes: only the opening parenthesis; the screen code closes it.
    {20200, u"(001"},
    {20201, u"(002"},
    {20202, u"(003"},
    {20203, u"(004"},
    {20204, u"(005"},
    {20205, u"(006"},
    {20206, u"(007"},
    {20207, u"(008"},
    {20208, u"(009"},
    {20209, u"(010"},
    {20210, u"(011"},
    {20211, u"(012"},
    {20300, u"(101"},
    {20400, u"(201"},
    {20401, u"(202"},
    {20500, u"(301"},

    // AT commands; parameters and the line terminator 35000 follow them.
    {21000, u"AT+GMI"},
    {21001, u"AT+GMM"},
    {21002, u"AT@KUPSTART"},
    {21003, u"AT@KUPEND"},
    {21004, u"AT@HYBRRSSI?"},
    {21005, u"AT@LEDSET="},
    {21006, u"AT&OP="},
    {21007, u"AT@ALDR="},
    {21008, u"AT@ALDW="},
    {21009, u"AT@ALDD="},
    {21010, u"AT@CNLTRT"},
    {21011, u"AT@DMRW="},
    {21012, u"ATE0"},
    {21013, u"ATI1"},

    // Reply tokens: final replies, the sixteen update progress notices in the
    // order the module sends them, and the update keep-alive.
    {22000, u"OK"},
    {22001, u"ERROR"},
    {22002, u"VERCFSTR"},
    {22003, u"VERCFCPL"},
    {22004, u"FDLSTART"},
    {22005, u"FDL20"},
    {22006, u"FDL40"},
    {22007, u"FDL60"},
    {22008, u"FDL80"},
    {22009, u"FDLEND"},
    {22010, u"FPLSTART"},
    {22011, u"FPL20"},
    {22012, u"FPL40"},
    {22013, u"FPL60"},
    {22014, u"FPL80"},
    {22015, u"FPLEND"},
    {22016, u"RSTNOTISTR"},
    {22017, u"RSTNOTICPL"},
    {22018, u"KUPDLCNT"},

    // Update reasons (reason k pairs with message 32100 + k), then the tokens
    // matched by prefix or substring.
    {22100, u"FNO"},
    {22101, u"FSTOP"},
    {22102, u"FSZOV"},
    {22103, u"FCFHHO"},
    {22104, u"FCFTO"},
    {22105, u"FCSTOP"},
    {22106, u"FDLHHO"},
    {22107, u"FDLNG"},
    {22108, u"FDLTO"},
    {22109, u"FDLSTOP"},
    {22110, u"FUPSTOP"},
    {22111, u"NO CARRIER"},
    {22112, u"KUPRUNNING"},
    {22113, u"FCHSTOP"},
    {22114, u"Halvorn.Corp"},
    {22115, u"APP="},
    {22116, u"FPL"},

    // Start-up and system messages.
    {30000, u"サポート対象外のシステムです。"},
    {30001, u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。"},
    {30002, u"内蔵メモリーの残量が不足しています。処理を中断します。"},
    {30003, u"システムファイルを読み込むことができません。処理を中断します。"},
    {30004, u"アプリケーションを起動することができません。アプリケーションを再インストールしてください。"},

    // Password authentication, lock release and password change.
    {30100, u"パスワードが違います。"},
    {30101, u"認証失敗によりパスワードがロックされました。認証ロック解除を実行してください。"},
    {30102, u"パスワードが違います。"},
    {30103, u"パスワードを更新できません。入力したパスワードが間違っています。"},
    {30104, u"パスワードを更新できません。新しいパスワードに、使用できない値が含まれています。"},
    {30105, u"パスワードを更新できません。パスワードが短すぎます。"},
    {30106, u"パスワードを更新できません。パスワードが長すぎます。"},
    {30107, u"パスワードを更新できませんでした。"},
    {30108, u"認証ロックを解除できませんでした。"},
    {30150, u"認証ロックを解除しました。共通パスワードによる認証を行います。"},
    {30151, u"パスワードを変更しました。"},
    {30152, u"パスワード変更を中止しました。"},

    // Phone update.
    {30203, kNoResponse},
    {30204, u"ケータイアップデートを中断できませんでした。"},
    {30205,
     u"ケータイアップデートを始める前にAC電源を接続してください。\r\n"
     u"ケータイアップデート中はP42Rを取り外さないでください。\r\n"
     u"開始後は完了するまで中止できません。"},
    {30250, u"ケータイアップデートを中止します。よろしいですか？"},
    {30251, u"ケータイアップデートを中止しました。"},
    {30252, kUpdateCompleted},
    {30254, u"ソフトウェアアップデート中です。\r\nしばらくお待ちください。"},
    {30255, u"アプリケーションを終了させないで下さい。"},

    // Communication state and LED display setting.
    {30300, u"通信状態を取得できませんでした。"},
    {30301, kNoResponse},
    {30400, kNoResponse},
    {30450, u"LED表示状態を変更しました。"},

    // Connection-destination limit. Texts that start with a particle follow a
    // domain name or a row text in the message.
    {30500, u"登録内容を取得できませんでした。"},
    {30501, kNoResponse},
    {30600, u"リストから未登録アイテムを選択してから登録してください。"},
    {30601, u"を登録できませんでした。"},
    {30602, kNoResponse},
    {30603, u"ドメイン名が短すぎます。"},
    {30604, u"ドメイン名に指定できない文字が入力されました。"},
    {30605, u"ドメイン名の先頭または末尾に指定できない文字が入力されました。"},
    {30650, u"を登録します、よろしいですか？"},
    {30651, u"を登録しました。"},
    {30700, u"リストから登録済みアイテムを選択してから削除してください。"},
    {30701, u"を削除できませんでした。"},
    {30702, kNoResponse},
    {30750, u"を削除します、よろしいですか？"},
    {30751, u"を削除しました。"},
    {30800, u"リストから登録済みアイテムを選択してから編集してください。"},
    {30801, u"を変更できませんでした。"},
    {30802, kNoResponse},
    {30850, u"を"},
    {30851, u"に編集します。よろしいですか？"},
    {30852, u"を登録しました。"},

    // Connection result; the message shown is 30950 + the result digit.
    {30900, u"接続結果を取得できませんでした。"},
    {30901, kNoResponse},
    {30950, u"ダイヤルアップ接続をしていません。"},
    {30951, u"ダイヤルアップ接続に成功しました。"},
    {30952, u"登録されているドメイン名が間違っているため、ダイヤルアップ接続に失敗しました。"},
    {30953, u"ダイヤルアップ接続に失敗しました。"},

    // Application list: launch, terminate, status.
    {31000, u"を起動できませんでした。"},
    {31001, kNoResponse},
    {31050, u"を起動します、よろしいですか？"},
    {31051, u"を起動しました。"},
    {31100, u"を終了できませんでした。"},
    {31101, kNoResponse},
    {31150, u"を終了します、よろしいですか？"},
    {31151, u"を終了しました。"},
    {31200, u"アプリのステータスを取得できませんでした。"},
    {31201, u"起動中"},

    // ID registration.
    {31300, u"を登録できませんでした。"},
    {31301, kNoResponse},
    {31350, u"を登録します、よろしいですか。"},
    {31351, u"を登録しました。"},

    // Progress text of update notice k (32000 + k); the percentages are
    // full-width digits.
    {32000, u"バージョン確認開始"},
    {32001, u"バージョン確認終了"},
    {32002, u"ファイルダウンロード開始"},
    {32003, u"ファイルダウンロード２０％"},
    {32004, u"ファイルダウンロード４０％"},
    {32005, u"ファイルダウンロード６０％"},
    {32006, u"ファイルダウンロード８０％"},
    {32007, u"ファイルダウンロード完了"},
    {32008, u"ソフト更新開始"},
    {32009, u"ソフト更新２０％"},
    {32010, u"ソフト更新４０％"},
    {32011, u"ソフト更新６０％"},
    {32012, u"ソフト更新８０％"},
    {32013, u"ソフト更新完了"},
    {32014, u"更新完了通知開始"},
    {32015, u"更新完了通知終了"},

    // Result text of update reason k (32100 + k), then the application
    // list's "already" notices, whose "%s" takes the display name.
    {32100, u"ケータイアップデートの必要はありません。(FNO)"},
    {32101, u"ケータイアップデートに失敗しました。(FSTOP)"},
    {32102, u"ケータイアップデートに失敗しました。(FSZOV)"},
    {32103, u"ケータイアップデートに失敗しました。(FCFHHO)"},
    {32104, u"ケータイアップデートに失敗しました。(FCFTO)"},
    {32105, u"ケータイアップデートに失敗しました。(FCSTOP)"},
    {32106, u"ケータイアップデートに失敗しました。(FDLHHO)"},
    {32107, u"ケータイアップデートに失敗しました。(FDLNG)"},
    {32108, u"ケータイアップデートに失敗しました。(FDLTO)"},
    {32109, u"ケータイアップデートに失敗しました。(FDLSTOP)"},
    {32110, kUpdateCompleted},
    {32111, u"電波状態の良いところへ移動してから実行してください。(NO CARRIER)"},
    {32112, u"アプリが実行中です、実行中のアプリを終了してください。(KUPRUNNING)"},
    {32113, u"ケータイアップデートに失敗しました。(FCHSTOP)"},
    {32114, u"%sはすでに起動しています。"},
    {32115, u"%sはすでに終了しています。"},

    // Line terminator appended to every command.
    {35000, u"\r\n"},

    // Data file names and the version shown on the start-up screen.
    {40000, u"mng2dat.ini"},
    {40001, u"appli.ini"},
    {40005, u"Version 1.0.0"},

    // Registry names for finding the module's AT-command port. 40013 is the
    // last character of the "Key" value of the module's other driver entry,
    // the one that is not the AT-command port; nothing loads it.
    {40009, u"Drivers\\Active"},
    {40010, u"PnpId"},
    {40011, u"Halvorn-P42R"},
    {40012, u"Key"},
    {40013, u"1"},
    {40014, u"2"},
    {40015, u"Name"},

    // Data file sections.
    {40100, u"[DATA3]"},
    {40101, u"[DATA2]"},
    {40102, u"[DATA1]"},
    {40103, u"[LOCK_STATUS]"},
    {40104, u"[BREW_APPLI1]"},
    {40105, u"[BREW_APPLI2]"},
    {40106, u"[BREW_APPLI3]"},
    {40107, u"[BREW_APPLI4]"},
    {40108, u"[BREW_APPLI5]"},
    {40109, u"[BREW_APPLI6]"},
    {40110, u"[BOOT]"},

    // Data file keys; the blank before "=" belongs to the key.
    {40200, u"TAG ="},
    {40201, u"STATUS ="},
    {40202, u"ORIGINAL_NAME ="},
    {40203, u"DISPLAY_NAME ="},
    {40204, u"DISPLAY_FLAG ="},
    {40205, u"FIRST_BOOT ="},

    // Data file values: lock status and first-boot flag.
    {40300, u"OK"},
    {40301, u"LOCK"},
    {40302, u"1"},
    {40303, u"0"},

    // The pair of management file names.
    {41000, u"mng1dat.ini"},
    {41001, u"mng2dat.ini"},

    // Application title: message box caption and single-instance mutex name.
    {57344, u"P42RApplication"},

    // A start-up message that no path shows: a second copy ends silently.
    {61203, u"アプリケーションはすでに起動しています。"},
});

constexpr bool StrictlyAscending() {
  for (std::size_t i = 1; i < kStrings.size(); ++i) {
    if (kStrings[i - 1].id >= kStrings[i].id) {
      return false;
    }
  }
  return true;
}
static_assert(StrictlyAscending(), "string table must be sorted by id without duplicates");

}  // namespace

std::optional<std::u16string_view> FindString(std::uint32_t id) {
  const auto* found = std::lower_bound(
      kStrings.begin(), kStrings.end(), id,
      [](const StringEntry& entry, std::uint32_t wanted) { return entry.id < wanted; });
  if (found == kStrings.end() || found->id != id) {
    return std::nullopt;
  }
  return found->text;
}

std::u16string LoadString(std::uint32_t id) {
  return std::u16string(FindString(id).value_or(std::u16string_view{}));
}

std::size_t StringCount() { return kStrings.size(); }

std::uint32_t StringIdAt(std::size_t index) {
  return index < kStrings.size() ? kStrings[index].id : 0;
}

}  // namespace p42r::resources
