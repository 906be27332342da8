#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LastError.h"
#include "platform/TextConversion.h"

namespace p42r::platform {

std::unique_ptr<NamedMutex> NamedMutex::create(const DeviceRoot& root, const std::u16string& name,
                                               std::uint32_t& error) {
  std::string fileName;
  for (const char c : ToUtf8(name)) fileName += (c == '/' || c == '\\') ? '_' : c;
  const auto path = root.lockDirectory() / (fileName + ".lock");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? ERROR_ALREADY_EXISTS : ERROR_INVALID_HANDLE;
    ::close(fd);
    return nullptr;
  }
  error = ERROR_SUCCESS;
  return std::unique_ptr<NamedMutex>(new NamedMutex(fd));
}

NamedMutex::~NamedMutex() { ::close(fd_); }

}  // namespace p42r::platform
