#include "platform/Registry.h"

#include <algorithm>

#include "platform/TextConversion.h"

namespace p42r::platform {

namespace {

std::u16string Fold(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return folded;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// A quoted REGEDIT4 string starting at `text[0] == '"'`; backslash escapes the next character.
std::optional<std::string> QuotedString(std::string_view text, std::size_t& end) {
  if (text.empty() || text[0] != '"') return std::nullopt;
  std::string value;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      value += text[++i];
    } else if (text[i] == '"') {
      end = i + 1;
      return value;
    } else {
      value += text[i];
    }
  }
  return std::nullopt;
}

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

RegistryData ParseRegistryText(std::string_view text) {
  RegistryData data;
  std::size_t position = 0;
  // Skip a UTF-8 byte-order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") position = 3;
  while (position < text.size()) {
    std::size_t end = text.find('\n', position);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(position, end - position));
    position = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3 || line[1] == '-') continue;
      data.keys.push_back(RegistryData::Key{FromUtf8(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    if (data.keys.empty()) continue;  // "REGEDIT4" and anything before the first key
    std::size_t nameEnd = 0;
    std::string name;
    if (line.front() == '@') {
      nameEnd = 1;
    } else if (auto quoted = QuotedString(line, nameEnd)) {
      name = *quoted;
    } else {
      continue;
    }
    const std::string_view rest = Trim(line.substr(nameEnd));
    if (rest.empty() || rest.front() != '=') continue;
    const std::string_view valueText = Trim(rest.substr(1));
    RegValue value;
    std::size_t valueEnd = 0;
    if (auto quoted = QuotedString(valueText, valueEnd)) {
      value.type = RegValueType::String;
      value.text = FromUtf8(*quoted);
    } else if (!valueText.empty() && valueText.front() == '"') {
      continue;  // a string that never ends
    } else if (valueText.substr(0, 6) == "dword:" && valueText.size() > 6) {
      std::uint32_t number = 0;
      bool valid = valueText.size() <= 14;
      for (const char c : valueText.substr(6)) {
        const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (digit < 0) valid = false;
        number = (number << 4) | static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
      }
      if (!valid) continue;
      value.type = RegValueType::Dword;
      value.number = number;
    } else {
      value.type = RegValueType::Other;
    }
    data.keys.back().values.emplace_back(FromUtf8(name), std::move(value));
  }
  return data;
}

Registry::Registry(std::filesystem::path file)
    : file_(std::move(file)), ownFiles_(std::make_unique<HostFileSystem>()), files_(*ownFiles_) {}

Registry::Registry(std::filesystem::path file, FileSystem& files) : file_(std::move(file)), files_(files) {}

void Registry::load() {
  // A registry file that cannot be read holds no keys.
  auto text = files_.readAll(file_);
  const RegistryData data = ParseRegistryText(text ? text.value() : std::string());
  auto root = std::make_shared<Node>();
  for (const auto& key : data.keys) {
    Node* node = root.get();
    for (const auto& part : SplitPath(key.path)) {
      auto& child = node->children[Fold(part)];
      if (!child) {
        child = std::make_unique<Node>();
        child->name = part;
      }
      node = child.get();
    }
    for (const auto& [name, value] : key.values) {
      const std::u16string folded = Fold(name);
      auto existing = std::find_if(node->values.begin(), node->values.end(),
                                   [&](const auto& entry) { return Fold(entry.first) == folded; });
      if (existing != node->values.end()) {
        existing->second = value;
      } else {
        node->values.emplace_back(name, value);
      }
    }
  }
  root_ = std::move(root);
}

Registry::Node* Registry::resolve(RegKey key) {
  const auto it = open_.find(key);
  return it == open_.end() ? nullptr : it->second.second;
}

long Registry::RegOpenKeyEx(RegKey parent, std::u16string_view subKey, RegKey& result) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<Node> snapshot;
  Node* node = nullptr;
  if (parent == HKEY_LOCAL_MACHINE) {
    load();
    snapshot = root_;
    const auto top = snapshot->children.find(u"HKEY_LOCAL_MACHINE");
    if (top == snapshot->children.end()) return ERROR_FILE_NOT_FOUND;
    node = top->second.get();
  } else {
    const auto it = open_.find(parent);
    if (it == open_.end()) return ERROR_REG_INVALID_HANDLE;
    snapshot = it->second.first;
    node = it->second.second;
  }
  for (const auto& part : SplitPath(subKey)) {
    const auto child = node->children.find(Fold(part));
    if (child == node->children.end()) return ERROR_FILE_NOT_FOUND;
    node = child->second.get();
  }
  result = nextKey_++;
  open_.emplace(result, std::make_pair(std::move(snapshot), node));
  return 0;
}

long Registry::RegQueryInfoKey(RegKey key, std::uint32_t& subKeyCount) {
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (node == nullptr) return ERROR_REG_INVALID_HANDLE;
  subKeyCount = static_cast<std::uint32_t>(node->children.size());
  return 0;
}

long Registry::RegEnumKeyEx(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t nameCapacity) {
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (node == nullptr) return ERROR_REG_INVALID_HANDLE;
  if (index >= node->children.size()) return ERROR_REG_NO_MORE_ITEMS;
  auto it = node->children.begin();
  std::advance(it, index);
  if (it->second->name.size() + 1 > nameCapacity) return ERROR_MORE_DATA;
  name = it->second->name;
  return 0;
}

long Registry::RegQueryValueEx(RegKey key, std::u16string_view name, RegValue& value, std::uint32_t capacityBytes) {
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (node == nullptr) return ERROR_REG_INVALID_HANDLE;
  for (const auto& [valueName, stored] : node->values) {
    if (Fold(valueName) != Fold(name)) continue;
    const std::size_t size = stored.type == RegValueType::String ? 2 * (stored.text.size() + 1) : 4;
    if (size > capacityBytes) return ERROR_MORE_DATA;
    value = stored;
    return 0;
  }
  return ERROR_FILE_NOT_FOUND;
}

long Registry::RegCloseKey(RegKey key) {
  std::lock_guard lock(mutex_);
  return open_.erase(key) > 0 ? 0 : ERROR_REG_INVALID_HANDLE;
}

namespace {

std::u16string WithoutColons(std::u16string_view name) {
  std::u16string kept;
  for (const char16_t c : name) {
    if (c != u':') kept += c;
  }
  return kept;
}

}  // namespace

std::optional<std::string> Registry::hostDeviceFor(std::u16string_view portName) {
  std::lock_guard lock(mutex_);
  load();
  const auto top = root_->children.find(u"HKEY_LOCAL_MACHINE");
  if (top == root_->children.end()) return std::nullopt;
  Node* node = top->second.get();
  for (const auto& part : {u"DRIVERS", u"ACTIVE"}) {
    const auto child = node->children.find(part);
    if (child == node->children.end()) return std::nullopt;
    node = child->second.get();
  }
  const std::u16string wanted = WithoutColons(portName);
  for (const auto& [folded, driver] : node->children) {
    const RegValue* deviceName = nullptr;
    const RegValue* hostDevice = nullptr;
    for (const auto& [valueName, value] : driver->values) {
      if (Fold(valueName) == u"NAME") deviceName = &value;
      if (Fold(valueName) == u"HOSTDEVICE") hostDevice = &value;
    }
    if (deviceName && hostDevice && WithoutColons(deviceName->text) == wanted && !hostDevice->text.empty()) {
      return ToUtf8(hostDevice->text);
    }
  }
  return std::nullopt;
}

}  // namespace p42r::platform
