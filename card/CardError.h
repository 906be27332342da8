// The one error type the card library raises at its boundaries. A failure is
// the caller's mistake (bad option, bad scenario, a file that is not a
// registry), the system's (a call that failed, with its errno kept), or
// something this build cannot do.
#pragma once

#include <stdexcept>
#include <string>

namespace p42r::card {

enum class CardErrorKind {
  InvalidInput,
  SystemFailure,
  Unsupported,
};

class CardError : public std::runtime_error {
public:
  CardError(CardErrorKind kind, const std::string& message, int systemCode = 0)
      : std::runtime_error(message), kind_(kind), systemCode_(systemCode) {}

  CardErrorKind kind() const { return kind_; }
  // The errno of a system failure; 0 otherwise.
  int systemCode() const { return systemCode_; }

  // A system failure of `call` on `item`, with the text of `errnoValue`.
  static CardError system(const std::string& call, const std::string& item, int errnoValue);
  static CardError invalid(const std::string& message) {
    return CardError(CardErrorKind::InvalidInput, message);
  }

private:
  CardErrorKind kind_;
  int systemCode_;
};

}  // namespace p42r::card
