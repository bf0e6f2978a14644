#include "platform/ado/OdbcInstaller.h"

#include <dlfcn.h>

#include <algorithm>
#include <strings.h>

namespace platform::ado {

namespace {

constexpr unsigned short kSystemDsnMode = 2; // ODBC_SYSTEM_DSN
constexpr unsigned short kBothDsnMode = 0;   // ODBC_BOTH_DSN

template <typename Function> void lookUp(void* library, const char* name, Function*& out) {
    out = reinterpret_cast<Function*>(::dlsym(library, name));
}

const unsigned short* wide(const std::u16string& text) {
    return reinterpret_cast<const unsigned short*>(text.c_str());
}

} // namespace

std::u16string ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        std::size_t length = 1;
        if (c < 0x80) {
            code = c;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
        }
        if (length > 1) {
            if (i + length > text.size()) {
                code = 0xFFFD;
                length = 1;
            } else {
                for (std::size_t k = 1; k < length; ++k) {
                    unsigned char next = static_cast<unsigned char>(text[i + k]);
                    if ((next & 0xC0) != 0x80) {
                        code = 0xFFFD;
                        length = k;
                        break;
                    }
                    code = (code << 6) | (next & 0x3F);
                }
            }
        }
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += length;
    }
    return out;
}

std::string FromUtf16(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

OdbcInstaller& OdbcInstaller::Instance() {
    static OdbcInstaller installer;
    return installer;
}

OdbcInstaller::OdbcInstaller() {
    m_library = ::dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr) {
        const char* why = ::dlerror();
        m_lastError = std::string("The ODBC installer library cannot be loaded: ") +
                      (why != nullptr ? why : "");
        return;
    }
    lookUp(m_library, "SQLConfigDataSourceW", m_configDataSource);
    lookUp(m_library, "SQLSetConfigMode", m_setConfigMode);
    lookUp(m_library, "SQLWriteDSNToIni", m_writeDsnToIni);
    lookUp(m_library, "SQLWritePrivateProfileString", m_writePrivateProfileString);
    lookUp(m_library, "SQLGetInstalledDriversW", m_getInstalledDrivers);
    lookUp(m_library, "SQLInstallerErrorW", m_installerError);
    if (m_configDataSource == nullptr) {
        m_lastError = "The ODBC installer library has no SQLConfigDataSourceW.";
    }
}

std::vector<std::string> OdbcInstaller::InstalledDrivers() {
    std::vector<std::string> drivers;
    if (m_getInstalledDrivers == nullptr) {
        return drivers;
    }
    std::u16string buffer(16384, u'\0');
    unsigned short used = 0;
    if (!m_getInstalledDrivers(reinterpret_cast<unsigned short*>(buffer.data()),
                               static_cast<unsigned short>(buffer.size() - 1), &used)) {
        return drivers;
    }
    // NUL-separated names, a second NUL at the end.
    std::size_t start = 0;
    while (start < buffer.size() && buffer[start] != u'\0') {
        std::size_t end = buffer.find(u'\0', start);
        drivers.push_back(FromUtf16(buffer.substr(start, end - start)));
        start = end + 1;
    }
    return drivers;
}

bool OdbcInstaller::DriverInstalled(const std::string& driver) {
    std::vector<std::string> drivers = InstalledDrivers();
    return std::any_of(drivers.begin(), drivers.end(), [&driver](const std::string& name) {
        return ::strcasecmp(name.c_str(), driver.c_str()) == 0;
    });
}

std::string OdbcInstaller::installerError() {
    if (m_installerError == nullptr) {
        return "unknown installer error";
    }
    std::string text;
    for (unsigned short record = 1; record <= 8; ++record) {
        unsigned int code = 0;
        char16_t message[512] = {};
        unsigned short length = 0;
        short rc = m_installerError(record, &code, reinterpret_cast<unsigned short*>(message), 511,
                                    &length);
        if (rc != 0 && rc != 1) { // SQL_SUCCESS, SQL_SUCCESS_WITH_INFO
            break;
        }
        if (!text.empty()) {
            text += "; ";
        }
        text += FromUtf16(message);
    }
    return text.empty() ? "unknown installer error" : text;
}

bool OdbcInstaller::ConfigDataSource(int request, const std::string& driver,
                                     const std::string& attributes) {
    if (!Available()) {
        return false;
    }
    if (request == ODBC_ADD_DSN || request == ODBC_ADD_SYS_DSN) {
        // The installer itself accepts any driver name; a data source for a driver that is not
        // installed could never connect.
        if (!DriverInstalled(driver)) {
            m_lastError = "The ODBC driver \"" + driver + "\" is not installed.";
            return false;
        }
    }
    std::u16string wideDriver = ToUtf16(driver);
    std::u16string wideAttributes = ToUtf16(attributes);
    if (m_configDataSource(nullptr, static_cast<unsigned short>(request), wide(wideDriver),
                           wide(wideAttributes))) {
        m_lastError.clear();
        return true;
    }
    m_lastError = installerError();
    if (request != ODBC_ADD_SYS_DSN) {
        return false;
    }
    // No set-up routine in the driver: write the data source ourselves.
    return writeSystemDataSource(driver, attributes);
}

bool OdbcInstaller::writeSystemDataSource(const std::string& driver,
                                          const std::string& attributes) {
    if (m_setConfigMode == nullptr || m_writeDsnToIni == nullptr ||
        m_writePrivateProfileString == nullptr) {
        return false;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string name;
    for (std::size_t start = 0; start < attributes.size() && attributes[start] != '\0';) {
        std::size_t end = attributes.find('\0', start);
        if (end == std::string::npos) {
            end = attributes.size();
        }
        std::string pair = attributes.substr(start, end - start);
        std::size_t equals = pair.find('=');
        std::string key = pair.substr(0, equals);
        std::string value = equals == std::string::npos ? std::string() : pair.substr(equals + 1);
        if (::strcasecmp(key.c_str(), "DSN") == 0) {
            name = value;
        } else {
            pairs.emplace_back(key, value);
        }
        start = end + 1;
    }
    if (name.empty()) {
        m_lastError = "The data source has no name (DSN=).";
        return false;
    }
    if (!m_setConfigMode(kSystemDsnMode)) {
        m_lastError = installerError();
        return false;
    }
    bool written = m_writeDsnToIni(name.c_str(), driver.c_str()) != 0;
    for (const auto& [key, value] : pairs) {
        if (!written) {
            break;
        }
        written =
            m_writePrivateProfileString(name.c_str(), key.c_str(), value.c_str(), "odbc.ini") != 0;
    }
    if (!written) {
        m_lastError = installerError();
    } else {
        m_lastError.clear();
    }
    m_setConfigMode(kBothDsnMode);
    return written;
}

} // namespace platform::ado
