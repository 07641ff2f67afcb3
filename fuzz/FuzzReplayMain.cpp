// Corpus replay for builds without libFuzzer: feeds every file named on the
// command line, and every regular file under each folder named, to the target
// once, in name order. Each input sits in a buffer of exactly its size, so the
// sanitizers see any read past its end. Exits non-zero when nothing was fed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace
{
bool RunFile(const fs::path& path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
  {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::unique_ptr<std::uint8_t[]> input(new std::uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
  std::copy(bytes.begin(), bytes.end(), input.get());
  std::fprintf(stderr, "running %s (%zu bytes)\n", path.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(input.get(), bytes.size());
  return true;
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i)
  {
    const fs::path arg(argv[i]);
    if (fs::is_directory(arg))
    {
      for (const fs::directory_entry& entry : fs::recursive_directory_iterator(arg))
        if (entry.is_regular_file())
          inputs.push_back(entry.path());
    }
    else
    {
      inputs.push_back(arg);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  std::size_t run = 0;
  for (const fs::path& path : inputs)
    if (RunFile(path))
      ++run;
  std::printf("%zu inputs replayed\n", run);
  return run > 0 && run == inputs.size() ? 0 : 1;
}
