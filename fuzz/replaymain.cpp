// Feeds every file of the given folders (or single files) to a fuzz target once, so
// that the corpus, and every crash found so far, runs as an ordinary test without
// libFuzzer.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool runFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    // Exactly the input's size on the heap, so that a read past its end is caught.
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::vector<std::filesystem::path> paths;
        if (std::filesystem::is_directory(arg)) {
            for (const auto &entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    paths.push_back(entry.path());
            std::sort(paths.begin(), paths.end());
        } else {
            paths.push_back(arg);
        }
        for (const auto &path : paths) {
            std::fprintf(stderr, "%s\n", path.c_str());
            if (!runFile(path))
                return 1;
            ++files;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", files);
    // An empty corpus would make the test pass without testing anything.
    return files > 0 ? 0 : 1;
}
