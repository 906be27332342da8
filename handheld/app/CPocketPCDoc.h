// The document of the single-document application: it holds no data.
#pragma once

namespace p42r::app {

class CPocketPCDoc final {};

}  // namespace p42r::app
