/*
 * Private-profile (INI) files, with the semantics of the Windows GetPrivateProfile* and
 * WritePrivateProfileString calls the program was designed around: "[section]" headers and
 * "key=value" lines, section and key names compared without regard to ASCII case, a file that
 * is created by its first write, a null key deleting a whole section and a null value deleting
 * a key. The notification profiles live in such a file.
 *
 * People edit these files by hand, so reading is tolerant: any line that is neither a header
 * nor an entry (comments, nonsense, binary junk) is kept as it is and survives every rewrite;
 * a key missing or unreadable gives the caller's default. Every call re-reads the file; a
 * change re-reads it under an exclusive lock, applies the change and renames a temporary file
 * into place, so several processes (a scheduled run and the profile editor) never lose each
 * other's writes. Any thread.
 *
 * Differences from the Windows calls, each to keep data intact:
 *  - a value that begins or ends with a blank, or is enclosed in matching quotes, is written
 *    inside one more pair of double quotes, because reading strips one such pair and trims
 *    blanks (a quoted program path would otherwise lose its quotes);
 *  - line breaks in a written value become blanks (an INI line cannot hold them);
 *  - an integer value that does not start with a number reads as the caller's default
 *    (Windows gives 0);
 *  - a section name that does not fit the caller's buffer is left out of the section list
 *    entirely instead of being cut short.
 */
#ifndef TALLYVOL_PLATFORM_INI_PRIVATEPROFILE_H
#define TALLYVOL_PLATFORM_INI_PRIVATEPROFILE_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::ini {

// The parsed lines of one INI file. Lookups follow every section of the name in file order,
// so a section that a hand edit split in two still reads as one.
class IniDocument {
public:
    static IniDocument Parse(const std::string& text);
    std::string Serialize() const;

    // The value as read (blanks trimmed, one pair of enclosing quotes removed).
    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    // Section names in file order, each once.
    std::vector<std::string> SectionNames() const;
    bool HasSection(const std::string& section) const;

    void SetValue(const std::string& section, const std::string& key, const std::string& value);
    // True when something was removed.
    bool DeleteKey(const std::string& section, const std::string& key);
    bool DeleteSection(const std::string& section);

private:
    enum class Kind { kOther, kSection, kEntry };
    struct Line {
        Kind kind = Kind::kOther;
        std::string text; // the line as in the file, without its line end
        std::string name; // section or key name, trimmed
        std::string value; // entries: the raw text after "=", trimmed
    };
    static Line parseLine(const std::string& text);
    // Index one past the last line that belongs to the section whose header is at `header`.
    std::size_t sectionEnd(std::size_t header) const;

    std::vector<Line> m_lines;
    bool m_byteOrderMark = false;
    bool m_crlf = false;
};

// Reads the file; a missing or unreadable file reads as empty.
IniDocument ReadPrivateProfile(const std::string& file);

// Applies `change` under the file's write lock and stores the result when it returns true.
// False when the file could not be written; it is then left as it was.
bool ModifyPrivateProfile(const std::string& file, const std::function<bool(IniDocument&)>& change);

// The value of the key, or `defaultValue` when the key (or the file) is missing. At most
// bufferChars - 1 characters are returned, as a caller's buffer of that size would hold.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::size_t bufferChars,
                                    const std::string& file);

// The leading decimal integer of the value (optional blanks and sign first, saturated to the
// int range); `defaultValue` when the key is missing or does not start with a number.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file);

// How GetPrivateProfileInt reads a value it found (or did not: nothing gives the default).
int IntValueOf(const std::optional<std::string>& value, int defaultValue);

// The section names that fit a buffer of bufferChars characters holding each name with a
// terminator and one final terminator.
std::vector<std::string> GetPrivateProfileSectionNames(std::size_t bufferChars, const std::string& file);
std::vector<std::string> GetPrivateProfileSectionNames(std::size_t bufferChars, const IniDocument& document);

// Sets the key; no value deletes the key; no key deletes the whole section. False when the
// file could not be written.
bool WritePrivateProfileString(const std::string& section, const std::optional<std::string>& key,
                               const std::optional<std::string>& value, const std::string& file);

// Number of characters (UTF-8 code points) in the text, and the text cut to a number of them.
std::size_t CharacterCount(const std::string& text);
std::string TruncateCharacters(const std::string& text, std::size_t maxChars);

} // namespace platform::ini

#endif
