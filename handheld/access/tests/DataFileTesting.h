// Helpers for tests that look at the management file's bytes: where it lives
// in a harness's device root, reading and planting raw content, and the
// six-line layout the program writes, built independently of the program.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace p42r::access::test {

inline std::filesystem::path ProgramDirectory(const std::filesystem::path& root) {
  return root / "Program Files" / "P42R";
}

inline std::filesystem::path ManagementFile(const std::filesystem::path& root) {
  return ProgramDirectory(root) / "mng2dat.ini";
}

inline std::string Content(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

inline void Put(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The scrambled form of an ASCII password as it stands after "TAG =": each
// byte exclusive-or the key, padded with the key to ten characters; written
// as "#" and hex digits only when it holds a zero or a line end, or white
// space at either end that a reader would trim.
inline std::string Scrambled(const std::string& password) {
  if (password.empty()) return {};
  const std::string key = "8TKWQPVHJ6";
  std::string tag = key;
  for (std::size_t i = 0; i < password.size() && i < key.size(); ++i) tag[i] = static_cast<char>(password[i] ^ key[i]);
  const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  bool plain = !blank(tag.front()) && !blank(tag.back());
  for (const char c : tag) plain = plain && c != '\0' && c != '\n' && c != '\r';
  if (plain) return tag;
  std::string field = "#";
  for (const char c : tag) {
    static const char digits[] = "0123456789abcdef";
    field.push_back(digits[(c >> 4) & 0x0F]);
    field.push_back(digits[c & 0x0F]);
  }
  return field;
}

inline std::string Layout(const std::string& tagField, const std::string& status, const std::string& firstBoot) {
  return "[DATA3]\r\nTAG =" + tagField + "\r\n[LOCK_STATUS]\r\nSTATUS =" + status + "\r\n[BOOT]\r\nFIRST_BOOT =" +
         firstBoot + "\r\n";
}

}  // namespace p42r::access::test
