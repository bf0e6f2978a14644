/*
 * The update check's download file, "~tvtmp.tmp" in the temporary directory. That directory is
 * shared with every user, so the file goes into a private directory made there with mkdtemp
 * (mode 0700, owned by us) and is created with O_EXCL|O_NOFOLLOW: a name planted by someone
 * else is never followed, opened or written. The object owns the descriptor and removes the
 * file and its directory when it goes. Any thread; one object per download.
 */
#ifndef TALLYVOL_APP_TEMPORARYDOWNLOADFILE_H
#define TALLYVOL_APP_TEMPORARYDOWNLOADFILE_H

#include <cstddef>
#include <string>

namespace app {

class TemporaryDownloadFile {
public:
    static constexpr const char* kFileName = "~tvtmp.tmp";

    TemporaryDownloadFile() = default;
    ~TemporaryDownloadFile();
    TemporaryDownloadFile(const TemporaryDownloadFile&) = delete;
    TemporaryDownloadFile& operator=(const TemporaryDownloadFile&) = delete;

    // Makes the private directory and the empty file; false (with *error) when either fails.
    bool Create(std::string* error);
    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // The whole content; false when it cannot be read or is longer than `maxBytes`.
    bool ReadAll(std::size_t maxBytes, std::string* content) const;

private:
    void Remove();

    std::string m_directory;
    std::string m_path;
    int m_fd = -1;
};

} // namespace app

#endif
