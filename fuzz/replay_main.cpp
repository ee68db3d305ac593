// Runs a fuzz target over saved inputs without libFuzzer, so the ordinary
// build replays the seed corpus (and any crash input someone adds to it) as a
// test. Arguments are files or directories; directories are walked
// recursively in name order. A failed property aborts the process.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

static bool runOne(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // An empty vector's data() may be null; give the target a valid pointer
    // as libFuzzer does.
    static const std::uint8_t empty = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &empty : bytes.data(), bytes.size());
    return true;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|DIR...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> found;
            for (const auto& e : fs::recursive_directory_iterator(arg, ec))
                if (e.is_regular_file())
                    found.push_back(e.path());
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else if (fs::is_regular_file(arg, ec)) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "no such file or directory: %s\n", argv[i]);
            return 2;
        }
    }
    if (files.empty()) {
        // An empty corpus would pass without testing anything.
        std::fprintf(stderr, "no inputs found\n");
        return 2;
    }
    int failed = 0;
    for (const auto& f : files)
        if (!runOne(f))
            ++failed;
    std::printf("replayed %zu inputs\n", files.size() - static_cast<std::size_t>(failed));
    return failed == 0 ? 0 : 1;
}
