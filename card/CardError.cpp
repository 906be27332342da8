#include "card/CardError.h"

#include <cstring>

namespace p42r::card {

CardError CardError::system(const std::string& call, const std::string& item, int errnoValue) {
  std::string message = call;
  if (!item.empty()) {
    message += " (" + item + ")";
  }
  message += ": ";
  message += std::strerror(errnoValue);
  return CardError(CardErrorKind::SystemFailure, message, errnoValue);
}

}  // namespace p42r::card
