// The Linux build writes into host folders, which keep every name.
#include "FileNameGuard.h"

namespace desksetup {

const NameRules kBuildNameRules = NameRules::HostFolders;

}  // namespace desksetup
