#include "platform/ado/ConnectionString.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform::ado {

namespace {

std::string trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) {
        return {};
    }
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// ODBC values holding ";", "{" or "}" or leading blanks go in braces, a "}" doubled inside.
std::string odbcValue(const std::string& value) {
    if (value.find_first_of(";{}") == std::string::npos && value == trim(value)) {
        return value;
    }
    std::string quoted = "{";
    for (char c : value) {
        quoted += c;
        if (c == '}') {
            quoted += '}';
        }
    }
    return quoted + "}";
}

bool isOneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names) {
        if (name == candidate) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t equals = text.find('=', position);
        std::size_t semicolon = text.find(';', position);
        if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
            std::size_t end = semicolon == std::string::npos ? text.size() : semicolon;
            std::string name = trim(text.substr(position, end - position));
            if (!name.empty()) {
                pairs.emplace_back(name, std::string());
            }
            position = end + 1;
            continue;
        }
        std::string name = trim(text.substr(position, equals - position));
        std::size_t valueStart = text.find_first_not_of(" \t", equals + 1);
        std::string value;
        std::size_t next = text.size();
        if (valueStart != std::string::npos &&
            (text[valueStart] == '{' || text[valueStart] == '"' || text[valueStart] == '\'')) {
            char close = text[valueStart] == '{' ? '}' : text[valueStart];
            std::size_t i = valueStart + 1;
            for (; i < text.size(); ++i) {
                if (text[i] == close) {
                    if (i + 1 < text.size() && text[i + 1] == close) {
                        value += close; // a doubled closing character stands for itself
                        ++i;
                        continue;
                    }
                    break;
                }
                value += text[i];
            }
            std::size_t after = text.find(';', i);
            next = after == std::string::npos ? text.size() : after;
        } else {
            std::size_t end = semicolon == std::string::npos ? text.size() : semicolon;
            if (valueStart != std::string::npos && valueStart < end) {
                value = trim(text.substr(valueStart, end - valueStart));
            }
            next = end;
        }
        if (!name.empty()) {
            pairs.emplace_back(name, value);
        }
        position = next + 1;
    }
    return pairs;
}

std::string TranslateSqlOledbToFreeTds(const std::string& text) {
    std::string server;
    std::string port;
    std::string rest;
    auto add = [&rest](const std::string& name, const std::string& value) {
        rest += ";" + name + "=" + odbcValue(value);
    };
    for (const auto& [rawName, value] : ParseConnectionString(text)) {
        std::string name = upper(rawName);
        if (isOneOf(name, {"PROVIDER", "PERSIST SECURITY INFO", "NETWORK LIBRARY", "NETWORK",
                           "AUTO TRANSLATE", "USE PROCEDURE FOR PREPARE", "OLE DB SERVICES"})) {
            continue; // OLE DB's own settings mean nothing to the ODBC driver
        }
        if (isOneOf(name, {"SERVER", "DATA SOURCE", "ADDRESS", "ADDR", "NETWORK ADDRESS"})) {
            server = value;
            // SQL Server writes a port after a comma: "host,1433".
            std::size_t comma = server.find(',');
            if (comma != std::string::npos) {
                port = trim(server.substr(comma + 1));
                server = trim(server.substr(0, comma));
            }
        } else if (isOneOf(name, {"DATABASE", "INITIAL CATALOG"})) {
            add("Database", value);
        } else if (isOneOf(name, {"USER ID", "UID", "USER"})) {
            add("UID", value);
        } else if (isOneOf(name, {"PASSWORD", "PWD"})) {
            add("PWD", value);
        } else if (name == "TRUSTED_CONNECTION" || name == "INTEGRATED SECURITY") {
            std::string on = upper(value);
            add("Trusted_Connection", (on == "YES" || on == "TRUE" || on == "SSPI") ? "Yes" : "No");
        } else if (name == "APPLICATION NAME" || name == "APP") {
            add("APP", value);
        } else if (name == "WORKSTATION ID" || name == "WSID") {
            add("WSID", value);
        } else if (name == "CONNECT TIMEOUT" || name == "TIMEOUT") {
            add("Timeout", value);
        } else {
            add(rawName, value);
        }
    }
    std::string result = "Driver={FreeTDS};Server=" + odbcValue(server);
    if (!port.empty()) {
        result += ";Port=" + odbcValue(port);
    }
    return result + rest;
}

ResolvedConnection ResolveConnectionString(const std::string& text, const std::string& user,
                                           const std::string& password) {
    ResolvedConnection resolved;
    auto pairs = ParseConnectionString(text);
    std::string provider;
    std::string dataSource;
    bool odbcKeys = false;
    for (const auto& [rawName, value] : pairs) {
        std::string name = upper(rawName);
        if (name == "PROVIDER") {
            provider = value;
        } else if (name == "DATA SOURCE" || name == "DATASOURCE") {
            dataSource = value;
        } else if (name == "DSN" || name == "DRIVER" || name == "FILEDSN") {
            odbcKeys = true;
        }
    }
    resolved.provider = provider;
    std::string providerUpper = upper(provider);
    std::size_t dot = providerUpper.find('.');
    std::string providerBase =
        dot == std::string::npos ? providerUpper : providerUpper.substr(0, dot);

    if (providerBase == "SQLITE" || providerBase == "SQLITE3") {
        resolved.kind = ProviderKind::kSqlite;
        resolved.target = dataSource;
        return resolved;
    }
    std::string odbc;
    if (providerBase == "SQLOLEDB" || providerBase == "SQLNCLI" || providerBase == "MSOLEDBSQL") {
        odbc = TranslateSqlOledbToFreeTds(text);
    } else if ((provider.empty() && odbcKeys) || providerBase == "MSDASQL") {
        // The ODBC pairs pass as they are, without OLE DB's Provider.
        for (const auto& [rawName, value] : pairs) {
            if (upper(rawName) == "PROVIDER") {
                continue;
            }
            if (!odbc.empty()) {
                odbc += ";";
            }
            odbc += rawName + "=" + odbcValue(value);
        }
    } else {
        return resolved; // kUnknown
    }
    if (!user.empty()) {
        odbc += ";UID=" + odbcValue(user);
    }
    if (!password.empty()) {
        odbc += ";PWD=" + odbcValue(password);
    }
    resolved.kind = ProviderKind::kOdbc;
    resolved.target = odbc;
    return resolved;
}

namespace {

bool isKeyBoundary(char c) {
    return c == ';' || c == '"' || c == '\'' || c == ' ' || c == '\t' || c == '(' || c == ',' || c == '\n' ||
           c == '\r' || c == ':';
}

bool matchesKeyAt(const std::string& text, std::size_t at, const char* key) {
    std::size_t length = std::strlen(key);
    if (at + length > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[at + i])) != key[i]) {
            return false;
        }
    }
    return true;
}

// Where the value starting at `start` ends: a braced or quoted value at its closing mark (a
// doubled mark is part of the value), any other at the next ";", double quote or line end.
std::size_t valueEnd(const std::string& text, std::size_t start) {
    if (start < text.size() && (text[start] == '{' || text[start] == '"')) {
        char closing = text[start] == '{' ? '}' : '"';
        std::size_t at = start + 1;
        for (;;) {
            std::size_t close = text.find(closing, at);
            if (close == std::string::npos) {
                return text.size();
            }
            if (close + 1 < text.size() && text[close + 1] == closing) {
                at = close + 2;
                continue;
            }
            return close + 1;
        }
    }
    std::size_t end = text.find_first_of(";\"\r\n", start);
    return end == std::string::npos ? text.size() : end;
}

} // namespace

std::string MaskConnectionPasswords(const std::string& text) {
    if (text.find('=') == std::string::npos) {
        return text;
    }
    std::string masked;
    masked.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at > 0 && !isKeyBoundary(text[at - 1])) {
            continue;
        }
        std::size_t keyLength = 0;
        if (matchesKeyAt(text, at, "PASSWORD")) {
            keyLength = 8;
        } else if (matchesKeyAt(text, at, "PWD")) {
            keyLength = 3;
        } else {
            continue;
        }
        std::size_t equals = text.find_first_not_of(" \t", at + keyLength);
        if (equals == std::string::npos || text[equals] != '=') {
            continue;
        }
        std::size_t start = text.find_first_not_of(" \t", equals + 1);
        if (start == std::string::npos) {
            start = text.size();
        }
        std::size_t end = valueEnd(text, start);
        if (end == start) {
            continue; // an empty password hides nothing
        }
        masked.append(text, copied, start - copied);
        masked += "****";
        copied = end;
        at = end - 1;
    }
    masked.append(text, copied, std::string::npos);
    return masked;
}

} // namespace platform::ado
