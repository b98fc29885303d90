#pragma once
// What the fuzz targets share: one private folder for every file that a run touches,
// and a silent stdout (the program reports there; libFuzzer reports on stderr).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace fuzzing {

namespace fs = std::filesystem;

// Made on first use, removed when the process ends normally (the path itself is
// never destroyed, so that the removal can still use it).
inline const fs::path& workspace() {
    static const fs::path* folder = [] {
        std::string pattern = (fs::temp_directory_path() / "folioturn-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()) || !std::freopen("/dev/null", "w", stdout)) std::abort();
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(workspace(), ignored);
        });
        return new fs::path(pattern);
    }();
    return *folder;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void writeFile(const fs::path& path, std::string_view bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

// No run sees what an earlier one left.
inline void clearWorkspace() {
    for (const auto& entry : fs::directory_iterator(workspace())) fs::remove_all(entry.path());
}

// The temporary that an output replacing its own input is first written to.
inline bool hasStrayTemporary() {
    for (const auto& entry : fs::recursive_directory_iterator(workspace()))
        if (entry.path().filename().string().find(".folioturn-") != std::string::npos) return true;
    return false;
}

// An abort is a finding: libFuzzer keeps the input.
inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace fuzzing
