#include "DirectoryResolver.h"

#include <set>

namespace standin {

namespace {

class Resolver {
public:
  Resolver(const std::vector<DirectoryRow>& rows, const PropertyValue& property) : property_(property) {
    for (const DirectoryRow& row : rows) {
      rows_.emplace(row.key, row);
    }
  }

  std::map<std::string, std::string> run() {
    for (const auto& [key, row] : rows_) {
      resolve(key);
    }
    return resolved_;
  }

private:
  std::optional<std::string> resolve(const std::string& key) {
    if (const auto done = resolved_.find(key); done != resolved_.end()) {
      return done->second;
    }
    const auto row = rows_.find(key);
    if (row == rows_.end() || !visiting_.insert(key).second) {
      return std::nullopt;
    }
    std::optional<std::string> path;
    const std::string preset = property_(key);
    if (!preset.empty()) {
      path = withTrailingBackslash(preset);
    } else if (row->second.parent.empty() || row->second.parent == key) {
      const std::string rootDrive = property_("ROOTDRIVE");
      path = withTrailingBackslash(rootDrive.empty() ? "C:\\" : rootDrive);
    } else if (const auto parent = resolve(row->second.parent)) {
      const std::string name = targetNameOf(row->second.defaultDir);
      path = name.empty() || name == "." ? *parent : *parent + name + '\\';
    }
    visiting_.erase(key);
    if (path) {
      resolved_[key] = *path;
    }
    return path;
  }

  const PropertyValue& property_;
  std::map<std::string, DirectoryRow> rows_;
  std::map<std::string, std::string> resolved_;
  std::set<std::string> visiting_;
};

}  // namespace

std::string targetNameOf(const std::string& defaultDir) {
  std::string target = defaultDir.substr(0, defaultDir.find(':'));
  const auto bar = target.find('|');
  return bar == std::string::npos ? target : target.substr(bar + 1);
}

std::string withTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') {
    path += '\\';
  }
  return path;
}

std::map<std::string, std::string> resolveDirectories(const std::vector<DirectoryRow>& rows,
                                                      const PropertyValue& property) {
  return Resolver(rows, property).run();
}

}  // namespace standin
