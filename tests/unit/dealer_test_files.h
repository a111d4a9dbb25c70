#pragma once
// A temporary folder for the tests that read files, removed with all it holds.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class TempDir {
  public:
    TempDir() : path_((std::filesystem::temp_directory_path() / "car_dealers_test_XXXXXX").string()) {
        if (mkdtemp(path_.data()) == nullptr) std::abort();
    }
    ~TempDir() { std::filesystem::remove_all(path_); }

    const std::string& path() const { return path_; }
    std::string Path(std::string_view name) const { return path_ + "/" + std::string(name); }

    // Writes the bytes untranslated (no text mode) and returns the path.
    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::string file = Path(name);
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

  private:
    std::string path_;
};
