// The link to a card running in this process on the program's virtual
// clock, metered: a serial interface that tells the card's ledger what the
// program sends, reads and throws away, and the ledger seen as what virtual
// time waits for. Every port opened through it is taken for the card's: a
// simulated card is the only device a run with it knows.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "card/LinkLedger.h"
#include "platform/SerialApi.h"
#include "platform/Settling.h"

namespace p42r::program {

class MeteredSerialApi final : public platform::SerialApi {
 public:
  MeteredSerialApi(platform::SerialApi& real, std::shared_ptr<card::LinkLedger> ledger)
      : real_(real), ledger_(std::move(ledger)) {}

  platform::PortHandle CreateFile(std::u16string_view name) override { return real_.CreateFile(name); }
  bool SetCommTimeouts(platform::PortHandle port, const platform::CommTimeouts& timeouts) override {
    return real_.SetCommTimeouts(port, timeouts);
  }
  bool GetCommState(platform::PortHandle port, platform::Dcb& dcb) override { return real_.GetCommState(port, dcb); }
  bool SetCommState(platform::PortHandle port, const platform::Dcb& dcb) override {
    return real_.SetCommState(port, dcb);
  }
  bool SetCommMask(platform::PortHandle port, std::uint32_t mask) override;
  bool WaitCommEvent(platform::PortHandle port, std::uint32_t& events) override;
  bool ClearCommError(platform::PortHandle port, std::uint32_t& bytesWaiting) override {
    return real_.ClearCommError(port, bytesWaiting);
  }
  bool ReadFile(platform::PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) override;
  bool PurgeComm(platform::PortHandle port, std::uint32_t flags) override;
  platform::EventHandle CreateEvent() override { return real_.CreateEvent(); }
  void CloseEvent(platform::EventHandle event) override { real_.CloseEvent(event); }
  bool WriteFile(platform::PortHandle port, const char* data, std::uint32_t count, std::uint32_t& written,
                 platform::EventHandle completion) override;
  bool WaitForSingleObject(platform::EventHandle event, std::chrono::milliseconds timeout) override {
    return real_.WaitForSingleObject(event, timeout);
  }
  bool CloseHandle(platform::PortHandle port) override;

 private:
  void listening(platform::PortHandle port, bool armed);

  platform::SerialApi& real_;
  std::shared_ptr<card::LinkLedger> ledger_;
  std::mutex mutex_;
  std::map<platform::PortHandle, bool> armed_;
};

class LedgerSettling final : public platform::Settling {
 public:
  explicit LedgerSettling(std::shared_ptr<card::LinkLedger> ledger) : ledger_(std::move(ledger)) {}
  bool settled() const override { return ledger_->settled(); }
  std::optional<platform::TimePoint> nextDue() const override { return ledger_->cardDeadline(); }
  void whenSettled(std::function<void()> then) override { ledger_->whenSettled(std::move(then)); }

 private:
  std::shared_ptr<card::LinkLedger> ledger_;
};

}  // namespace p42r::program
