#include "reports/SpreadsheetFileName.h"

#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/system/UserDirectories.h"
#include "reports/XlsxWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace reports {

namespace {

constexpr std::size_t kMaxNameBytes = 100;

std::string lastPart(std::string directory) {
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    std::size_t slash = directory.find_last_of('/');
    return slash == std::string::npos ? directory : directory.substr(slash + 1);
}

std::string safeName(const std::string& text) {
    std::string name;
    for (char c : SpreadsheetText(text)) {
        auto byte = static_cast<unsigned char>(c);
        bool refused = byte < 0x20 || byte == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr;
        name += refused ? '_' : c;
    }
    std::size_t first = name.find_first_not_of(". ");
    name = first == std::string::npos ? std::string() : name.substr(first);
    name = SpreadsheetText(name, kMaxNameBytes);
    std::size_t last = name.find_last_not_of(". ");
    name = last == std::string::npos ? std::string() : name.substr(0, last + 1);
    return name.empty() ? std::string("Tallyvol") : name;
}

} // namespace

std::string SpreadsheetFileName(const std::string& directory, std::time_t when, int copy) {
    std::tm local{};
    char stamp[32] = "";
    if (::localtime_r(&when, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
    }
    std::string name = safeName(lastPart(directory)) + " " + stamp;
    if (copy > 1) {
        name += platform::system::StringPrintf(" (%d)", copy);
    }
    return name + ".xlsx";
}

std::string SpreadsheetReportDirectory(int* error) {
    std::string documents = platform::system::DocumentsDirectory();
    if (!documents.empty()) {
        return documents;
    }
    // The temporary directory is shared with every user: the report gets a directory of its own.
    std::string pattern = platform::system::TempDirectory() + "tallyvol-report-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        *error = errno;
        return {};
    }
    return buffer.data();
}

} // namespace reports
