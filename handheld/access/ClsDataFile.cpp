#include "access/ClsDataFile.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "resources/StringTable.h"

namespace p42r::access {

namespace {

constexpr std::uint32_t kManagementFileName = 40000;  // "mng2dat.ini"
constexpr std::uint32_t kAppliFileName = 40001;       // "appli.ini"
constexpr std::uint32_t kData3Section = 40100;
constexpr std::uint32_t kLockStatusSection = 40103;
constexpr std::uint32_t kBootSection = 40110;

constexpr std::u16string_view kScrambleKey = u"8TKWQPVHJ6";

// A read takes at most this many bytes of a line; a longer line is handled
// as several lines, and a converted line keeps at most 255 characters.
constexpr std::size_t kLinePieceBytes = 200;
constexpr std::size_t kLineCharacters = 255;

std::uint32_t SectionTextId(SectionKind kind) {
  switch (kind) {
    case SectionKind::Data3: return kData3Section;
    case SectionKind::Data2: return 40101;
    case SectionKind::Data1: return 40102;
    case SectionKind::LockStatus: return kLockStatusSection;
    case SectionKind::Boot: return kBootSection;
    case SectionKind::BrewAppli1: return 40104;
    case SectionKind::BrewAppli2: return 40105;
    case SectionKind::BrewAppli3: return 40106;
    case SectionKind::BrewAppli4: return 40107;
    case SectionKind::BrewAppli5: return 40108;
    case SectionKind::BrewAppli6: return 40109;
  }
  return 0;
}

std::uint32_t KeyTextId(EntryKey key) {
  const int index = static_cast<int>(key);
  return index >= 0 && index <= 5 ? static_cast<std::uint32_t>(40200 + index) : 0;
}

bool InManagementFile(SectionKind kind) { return static_cast<int>(kind) >= 0 && static_cast<int>(kind) <= 4; }

bool IsScrambled(SectionKind kind) {
  return kind == SectionKind::Data3 || kind == SectionKind::Data2 || kind == SectionKind::Data1;
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000'; }

std::u16string Trim(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

// --- how a scrambled TAG text sits in its line ---
//
// A scrambled password can hold characters that a plain line cannot carry: a
// zero (where a password character equals the key character; the line writer
// stops there), a line feed or carriage return (a line end), white space at
// either end (the reader trims it), or a character past ASCII that the code
// page may not give back. Only such a text is written as "#" followed by two
// lower-case hex digits per character; every other TAG text, control
// characters inside it included, stands in the line as it is, so another
// reader of the plain layout decodes the same password. The hex form is 21
// characters long and a scrambled text at most 10, so the two never meet.
constexpr char16_t kEncodedMark = u'#';
constexpr std::size_t kEncodedDigits = 2 * kScrambleKey.size();

bool NeedsEncodedForm(std::u16string_view tag) {
  if (tag.empty()) return false;
  if (IsBlank(tag.front()) || IsBlank(tag.back())) return true;
  return std::any_of(tag.begin(), tag.end(),
                     [](char16_t c) { return c == u'\0' || c == u'\n' || c == u'\r' || c > 0x7F; });
}

std::u16string TagFieldText(std::u16string_view tag) {
  if (!NeedsEncodedForm(tag)) return std::u16string(tag);
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string field(1, kEncodedMark);
  for (const char16_t c : tag) {
    field.push_back(kDigits[(c >> 4) & 0x0F]);
    field.push_back(kDigits[c & 0x0F]);
  }
  return field;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::u16string TagFromFieldText(std::u16string_view field) {
  if (field.size() != 1 + kEncodedDigits || field.front() != kEncodedMark) return std::u16string(field);
  std::u16string tag;
  for (std::size_t i = 1; i < field.size(); i += 2) {
    const int high = HexValue(field[i]);
    const int low = HexValue(field[i + 1]);
    if (high < 0 || low < 0) return std::u16string(field);
    tag.push_back(static_cast<char16_t>(high * 16 + low));
  }
  return tag;
}

// --- reading lines the way a text-mode line reader gives them ---

// CR LF pairs become LF, as text mode reads them.
std::string TextModeContent(const std::string& raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
}

// Gives the file's lines one read at a time: up to and including the next
// line feed, or `limit` bytes when the line is longer.
class LinePieces {
 public:
  LinePieces(std::string_view text, std::size_t limit) : text_(text), limit_(limit) {}

  bool next(std::string_view& piece) {
    if (position_ >= text_.size() || limit_ == 0) return false;
    const std::size_t available = std::min(limit_, text_.size() - position_);
    const std::size_t feed = text_.substr(position_, available).find('\n');
    const std::size_t length = feed == std::string_view::npos ? available : feed + 1;
    piece = text_.substr(position_, length);
    position_ += length;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t limit_;
  std::size_t position_ = 0;
};

}  // namespace

ClsDataFile::ClsDataFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                         const platform::CodePage& codePage)
    : files_(files), deviceRoot_(deviceRoot), codePage_(codePage) {}

std::u16string ClsDataFile::PathBesideProgram(std::uint32_t nameId) const {
  const std::u16string name = resources::LoadString(nameId);
  if (name.empty()) return {};
  const std::u16string module = deviceRoot_.moduleFileName();
  const std::size_t slash = module.rfind(u'\\');
  const std::u16string directory = slash == std::u16string::npos ? std::u16string() : module.substr(0, slash);
  return directory + u"\\" + name;
}

std::u16string ClsDataFile::ManagementFilePath() const { return PathBesideProgram(kManagementFileName); }

std::u16string ClsDataFile::AppliFilePath() const { return PathBesideProgram(kAppliFileName); }

bool ClsDataFile::ReadEntry(SectionKind kind, EntryKey key, std::u16string& value) const {
  const std::u16string path = InManagementFile(kind) ? ManagementFilePath() : AppliFilePath();
  const std::u16string section = resources::LoadString(SectionTextId(kind));
  const std::u16string keyText = resources::LoadString(KeyTextId(key));
  if (path.empty() || section.empty() || keyText.empty()) return false;
  const auto hostPath = deviceRoot_.hostPath(path);
  if (!hostPath) return false;

  const auto size = files_.size(*hostPath);
  if (!size) return false;
  const std::size_t pieceLimit =
      static_cast<std::size_t>(std::min<std::uint64_t>(size.value() + 1, kLinePieceBytes + 1)) - 1;
  const auto raw = files_.readAll(*hostPath);
  if (!raw) return false;

  const std::string text = TextModeContent(raw.value());
  LinePieces pieces(text, pieceLimit);
  bool inSection = false;
  std::string_view piece;
  while (pieces.next(piece)) {
    // A converted line ends at its first zero byte.
    std::u16string line = codePage_.toWide(piece.substr(0, piece.find('\0')));
    if (line.size() > kLineCharacters) line.resize(kLineCharacters);
    if (!inSection) {
      inSection = Trim(line) == section;
      continue;
    }
    if (!line.empty() && line.front() == u'[') return false;
    const std::size_t found = line.find(keyText);
    if (found == std::u16string::npos) continue;
    std::u16string stored = Trim(std::u16string_view(line).substr(found + keyText.size()));
    value = IsScrambled(kind) ? DecodeTag(TagFromFieldText(stored)) : std::move(stored);
    return true;
  }
  return false;
}

bool ClsDataFile::WriteManagementFile(const std::u16string& password, const std::u16string& status,
                                      const std::u16string& firstBoot) const {
  return !WriteManagementFile(password, status, firstBoot, platform::ExistingFile::Replace).has_value();
}

platform::FileStatus ClsDataFile::WriteManagementFile(const std::u16string& password, const std::u16string& status,
                                                      const std::u16string& firstBoot,
                                                      platform::ExistingFile existing) const {
  const std::u16string path = ManagementFilePath();
  const auto hostPath = deviceRoot_.hostPath(path);
  if (path.empty() || !hostPath) return platform::FileError{EINVAL, "create", platform::ToUtf8(path)};

  const std::array<std::u16string, 6> lines = {
      resources::LoadString(kData3Section),
      resources::LoadString(KeyTextId(EntryKey::Tag)) + TagFieldText(EncodeTag(password)),
      resources::LoadString(kLockStatusSection),
      resources::LoadString(KeyTextId(EntryKey::Status)) + status,
      resources::LoadString(kBootSection),
      resources::LoadString(KeyTextId(EntryKey::FirstBoot)) + firstBoot,
  };
  std::string content;
  for (const std::u16string& line : lines) {
    const std::string bytes = codePage_.toAnsi(line + u"\r\n");
    content.append(bytes.substr(0, bytes.find('\0')));
  }
  return platform::ReplaceFileContent(files_, *hostPath, content, platform::FileAttribute::Hidden, existing);
}

std::u16string ClsDataFile::EncodeTag(std::u16string_view password) {
  if (password.empty()) return {};
  std::u16string tag;
  for (std::size_t i = 0; i < kScrambleKey.size(); ++i) {
    const char16_t low = i < password.size() ? static_cast<char16_t>(password[i] & 0xFF) : u'\0';
    tag.push_back(static_cast<char16_t>(low ^ kScrambleKey[i]));
  }
  return tag;
}

std::u16string ClsDataFile::DecodeTag(std::u16string_view tag) {
  std::u16string password;
  for (std::size_t i = 0; i < tag.size() && i < kScrambleKey.size(); ++i) {
    const char16_t c = static_cast<char16_t>(tag[i] ^ kScrambleKey[i]);
    if (c == u'\0') break;
    password.push_back(c);
  }
  return password;
}

}  // namespace p42r::access
