#pragma once
// What both fuzz targets share: one private temporary folder for every file a run
// touches, and a silent standard output.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzzing {

namespace fs = std::filesystem;

inline fs::path& workspaceFolder() {
    static fs::path folder;
    return folder;
}

inline void removeWorkspace() {
    std::error_code ignored;
    fs::remove_all(workspaceFolder(), ignored);
}

// Made once per process and removed when it ends normally.
inline const fs::path& workspace() {
    fs::path& folder = workspaceFolder();
    if (folder.empty()) {
        std::string pattern = (fs::temp_directory_path() / "folioturn-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        // The program reports on stdout; libFuzzer reports on stderr.
        if (!std::freopen("/dev/null", "w", stdout)) std::abort();
        folder = pattern;
        std::atexit(removeWorkspace);
    }
    return folder;
}

inline void writeFile(const fs::path& path, std::string_view bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

// Leaves the workspace empty, so that no run sees what an earlier one left.
inline void clearWorkspace() {
    for (const auto& entry : fs::directory_iterator(workspace())) fs::remove_all(entry.path());
}

// True when a temporary made beside an output (an output that is its own input)
// is still lying about somewhere in the workspace.
inline bool hasStrayTemporary() {
    for (const auto& entry : fs::recursive_directory_iterator(workspace()))
        if (entry.path().filename().string().find(".folioturn-") != std::string::npos) return true;
    return false;
}

// libFuzzer counts an abort as a finding and keeps the input.
inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace fuzzing
