// The Windows build writes through the platform's own file system.
#include "FileNameGuard.h"

namespace desksetup {

const NameRules kBuildNameRules = NameRules::Windows;

}  // namespace desksetup
