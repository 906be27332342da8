// Runs a fuzz target's entry point once on every file in the folders (or
// files) named on the command line, in name order, the way libFuzzer runs a
// corpus: the ordinary test run replays each target's corpus and its
// regression inputs with this, without libFuzzer. A folder that does not
// exist is skipped (a target may have no regressions yet); replaying nothing
// at all fails, so a lost corpus does not pass unseen.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& place) {
  std::vector<std::filesystem::path> inputs;
  std::error_code error;
  if (std::filesystem::is_regular_file(place, error)) {
    inputs.push_back(place);
  } else if (std::filesystem::is_directory(place, error)) {
    for (const auto& entry : std::filesystem::directory_iterator(place)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int index = 1; index < argc; ++index) {
    for (const auto& input : InputsIn(argv[index])) {
      std::ifstream file(input, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "cannot read %s\n", input.c_str());
        return 1;
      }
      // Passes its own copy, so a read past the end is caught by the sanitizers.
      std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
      std::fprintf(stderr, "replay %s\n", input.c_str());
      LLVMFuzzerTestOneInput(copy.data(), copy.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "no input to replay\n");
    return 1;
  }
  std::printf("replayed %zu inputs\n", replayed);
  return 0;
}
