#include "testing/ScriptedCard.h"

#include <fstream>

namespace p42r::testing {

ScriptedCard::ScriptedCard(FakeSerialApi& serial, std::u16string portName) : serial_(serial) {
  serial_.addDevice(std::move(portName));
  answers_["ATE0"] = "\r\nOK\r\n";
  answers_["AT+GMI"] = "\r\nHalvorn.Corp\r\n\r\nOK\r\n";
  serial_.onWrite([this](const std::string& bytes) {
    std::string command = bytes.substr(0, bytes.find_first_of(std::string("\r\n\0", 3)));
    std::string reply;
    {
      std::lock_guard lock(mutex_);
      commands_.push_back(command);
      const auto it = answers_.find(command);
      if (it != answers_.end()) reply = it->second;
    }
    if (!reply.empty()) serial_.feed(reply);
  });
}

ScriptedCard::~ScriptedCard() { serial_.onWrite(nullptr); }

void ScriptedCard::answer(const std::string& command, std::string reply) {
  std::lock_guard lock(mutex_);
  answers_[command] = std::move(reply);
}

std::vector<std::string> ScriptedCard::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

void WriteCardRegistry(const std::filesystem::path& registryFile, const std::string& portName,
                       const std::string& hostDevice) {
  std::ofstream file(registryFile, std::ios::binary);
  file << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n\r\n"
       << "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\04]\r\n"
       << "\"PnpId\"=\"Halvorn-P42R-0001\"\r\n"
       << "\"Key\"=\"Drivers\\\\PCMCIA\\\\Halvorn-P42R2\"\r\n"
       << "\"Name\"=\"" << portName << "\"\r\n"
       << "\"HostDevice\"=\"" << hostDevice << "\"\r\n";
}

}  // namespace p42r::testing
