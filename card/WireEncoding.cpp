#include "card/WireEncoding.h"

#include "card/CardError.h"

#include <cerrno>
#include <iconv.h>

namespace p42r::card {

namespace {

bool isUtf8Name(const std::string& name) { return name == "UTF-8" || name == "utf-8" || name == "UTF8" || name == "utf8"; }

class IconvHandle {
public:
  explicit IconvHandle(const std::string& target) : handle_(iconv_open(target.c_str(), "UTF-8")) {}
  ~IconvHandle() {
    if (valid()) {
      iconv_close(handle_);
    }
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

private:
  iconv_t handle_;
};

}  // namespace

WireEncoding::WireEncoding(std::string name) : name_(std::move(name)), passThrough_(isUtf8Name(name_)) {
  if (!passThrough_ && !IconvHandle(name_).valid()) {
    throw CardError::invalid("unknown encoding '" + name_ + "'");
  }
}

std::string WireEncoding::fromUtf8(std::string_view text) const {
  if (passThrough_) {
    return std::string(text);
  }
  IconvHandle converter(name_);
  if (!converter.valid()) {
    throw CardError::invalid("unknown encoding '" + name_ + "'");
  }
  std::string input(text);
  std::string output(input.size() * 4 + 16, '\0');
  char* in = input.data();
  std::size_t inLeft = input.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  while (inLeft > 0) {
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
      const int error = errno;
      if (error == E2BIG) {
        const std::size_t used = output.size() - outLeft;
        output.resize(output.size() * 2);
        out = output.data() + used;
        outLeft = output.size() - used;
        continue;
      }
      throw CardError::invalid("text '" + std::string(text) + "' cannot be sent in " + name_ +
                               (error == EILSEQ ? " (a character it cannot hold, or not UTF-8)" : " (incomplete UTF-8)"));
    }
  }
  output.resize(output.size() - outLeft);
  return output;
}

}  // namespace p42r::card
