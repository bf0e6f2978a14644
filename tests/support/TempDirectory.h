/*
 * A directory made for one test and removed with everything in it when the test ends, plus the
 * small file helpers tests use to build trees.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_TEMPDIRECTORY_H
#define TALLYVOL_TESTS_SUPPORT_TEMPDIRECTORY_H

#include <cstdint>
#include <string>

namespace testsupport {

class TempDirectory {
public:
    explicit TempDirectory(const std::string& prefix = "tallyvol-test");
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// Removes a tree, making unreadable directories readable first.
void RemoveTree(const std::string& path);
// Writes the file, creating its directories.
void WriteFile(const std::string& path, const std::string& content);
// Creates a file of the size without writing data blocks (sparse).
void WriteSizedFile(const std::string& path, std::uint64_t size);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeDirectories(const std::string& path);

} // namespace testsupport

#endif
