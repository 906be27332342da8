// The installer's last error record of the calling thread: set by a failed
// query or an injected fault, handed out (and cleared) by
// MsiGetLastErrorRecord.
#pragma once

#include "MsiRecord.h"

#include <memory>
#include <string>
#include <vector>

namespace standin {

void setLastErrorRecord(const std::vector<std::string>& fields);
void clearLastErrorRecord();
std::shared_ptr<Record> takeLastErrorRecord();

}  // namespace standin
