// Target paths of the package's directories, as the installer resolves
// them from the Directory table once costing is done: a directory whose
// key is set as a property takes that value; a root takes ROOTDRIVE;
// any other is its parent's path followed by the target name of its
// DefaultDir ("short|long" gives long; "." keeps the parent's path).
// Every path ends in a backslash.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct DirectoryRow {
  std::string key;
  std::string parent;
  std::string defaultDir;
};

using PropertyValue = std::function<std::string(const std::string&)>;

// The resolved paths by key; rows in a cycle or under a missing parent are left out.
std::map<std::string, std::string> resolveDirectories(const std::vector<DirectoryRow>& rows,
                                                      const PropertyValue& property);

std::string targetNameOf(const std::string& defaultDir);
std::string withTrailingBackslash(std::string path);

}  // namespace standin
