#pragma once
// A fresh folder under the system temp folder, removed with everything in it
// when the object goes out of scope.
#include <filesystem>
#include <string>

namespace vinra::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Whole file as bytes, and writing bytes as they are.
std::string ReadBytes(const std::filesystem::path& p);
void WriteBytes(const std::filesystem::path& p, const std::string& bytes);

}  // namespace vinra::testing
