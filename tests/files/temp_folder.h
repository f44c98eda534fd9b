// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <string_view>

namespace korvane::files::testing {

class TempFolder {
  public:
    TempFolder() {
        // A new name in the temporary folder: create_directory tells whether
        // the folder was made or was there already.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   ("korvane-files-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
        }
        if (path_.empty()) ADD_FAILURE() << "no temporary folder could be made";
    }
    ~TempFolder() {
        // A test may have made the folder read-only; it must be writable to be emptied.
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // The names of the folder's entries (a leftover temporary file shows here).
    std::set<std::string> entries(const std::filesystem::path& folder = {}) const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.empty() ? path_ : folder))
            names.insert(e.path().filename().string());
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Bytes from hex digits, spaces ignored: hex("C6 F0") == "\xC6\xF0".
inline std::string hex(std::string_view digits) {
    std::string out;
    int high = -1;
    for (char c : digits) {
        if (c == ' ') continue;
        const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

// True where permissions do not stop this process (root on POSIX). On
// Windows the POSIX permission bits do not exist; the tests that set them are
// skipped there by other means.
inline bool running_as_root() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

}  // namespace korvane::files::testing
