// SPDX-License-Identifier: MIT
// Runs a fuzz target over saved inputs, without libFuzzer and with any compiler.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Only the targets that need a set-up define it.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace vt
{

namespace
{

// The files named, and those in the folders named; false when something named
// is neither.
bool collect(const char* arg, std::vector<std::filesystem::path>& files)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path(arg);
    if (fs::is_regular_file(path, error)) {
        files.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error))
        return false;
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file(error))
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return !error;
}

} // namespace

} // namespace vt

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (!vt::collect(argv[i], files)) {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    // A wrong folder must not pass for a clean run.
    if (files.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
            return 2;
        }
        std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs ran cleanly\n", files.size());
    return 0;
}
