#pragma once

#include <filesystem>
#include <string>

namespace ostrel::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object dies.
class TempDir {
  public:
    TempDir();
    // A fresh folder in `under` instead.
    explicit TempDir(const std::filesystem::path& under);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder's path as the core takes paths: exact bytes.
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

// Writes `bytes` to `path`, replacing it; missing folders on the way are made.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// The whole contents of `path`; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace ostrel::test
