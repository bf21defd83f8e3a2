// Runs a fuzz target once on each input file, without libFuzzer: the seed corpus and every input
// that once made a target fail run this way in the normal test suite.
//   <target>Replay DIR_OR_FILE...
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {
void RunFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A copy of its own size, so reading one byte past the input is caught.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
}
} // namespace

int main(int argc, char* argv[]) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    std::cout << entry.path().filename().string() << '\n';
                    RunFile(entry.path());
                    ++count;
                }
            }
        } else if (std::filesystem::is_regular_file(path)) {
            RunFile(path);
            ++count;
        }
    }
    std::cout << count << " inputs\n";
    // No input at all means the paths are wrong, not that everything passed.
    return count > 0 ? 0 : 1;
}
