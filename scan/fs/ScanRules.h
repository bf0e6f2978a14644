/*
 * The counting rules of a scan: the size a file takes on disk, the extension key a file is
 * counted under, and the exclusion filters that make the scan skip directories. Pure
 * functions and values, any thread.
 */
#ifndef TALLYVOL_SCAN_FS_SCANRULES_H
#define TALLYVOL_SCAN_FS_SCANRULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

// The space a file of this size is counted with: 0 stays 0; anything else is rounded down to
// whole 4096-byte units and one unit more is added, so 4096 counts 8192. The same on every
// volume, whatever its real allocation (sparse files count their full size).
constexpr std::uint64_t SizeOnDisk(std::uint64_t size) {
    return size == 0 ? 0 : (size & ~std::uint64_t{0xFFF}) + 4096;
}

// Longest key in bytes: 20 characters of up to 4 bytes.
inline constexpr std::size_t kMaxExtensionKeyBytes = 20 * 4;

// The key a file name is counted under: from the last "." to the end, dot included, ASCII
// letters upper-cased (other letters stay as they are, so no locale decides what a key is);
// "<NONE>" without a dot; trailing blanks removed; more than 20 characters become the first
// 19 and "*". Characters are UTF-8 characters, so a key is never cut inside one.
std::string ExtensionKey(std::string_view fileName);
// The same into a buffer of kMaxExtensionKeyBytes; returns the key's length in bytes.
std::size_t ExtensionKeyInto(std::string_view fileName, char* buffer);

std::string LowerCaseAscii(std::string_view text);

// The filter fragments of one scan root. A directory is skipped, with everything below it,
// when its path, lower-cased and followed by "/", contains any fragment.
class ExclusionFilters {
public:
    ExclusionFilters() = default;
    // Lower-cases the text and splits it at carriage returns and line feeds; empty lines give
    // no fragment, blanks inside a line belong to it.
    static ExclusionFilters FromText(std::string_view text);

    bool Excludes(std::string_view path) const;
    bool Empty() const { return m_fragments.empty(); }
    const std::vector<std::string>& Fragments() const { return m_fragments; }

private:
    std::vector<std::string> m_fragments;
};

} // namespace scan

#endif
