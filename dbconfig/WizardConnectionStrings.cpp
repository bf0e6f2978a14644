#include "dbconfig/WizardConnectionStrings.h"

#include "brand/Brand.h"
#include "dbconfig/AccessDatabase.h"
#include "platform/system/StringPrintf.h"
#include "scan/SqlRules.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace dbconfig {

using platform::system::StringPrintf;

namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool isQuote(char c) {
    return c == '"' || c == '\'' || c == '{';
}

struct Piece {
    std::string name;
    std::string value;
};

// The pairs of a connection string, read by the same rules as the data-access layer reads them
// (platform/ado/ConnectionString.cpp), so a value means here what it means to the connection.
// Where that reading loses text, `problem` says so.
std::vector<Piece> splitPieces(const std::string& text, std::string* problem) {
    std::vector<Piece> pieces;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t equals = text.find('=', position);
        std::size_t semicolon = text.find(';', position);
        if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
            std::size_t end = semicolon == std::string::npos ? text.size() : semicolon;
            std::string name = trim(text.substr(position, end - position));
            if (!name.empty()) {
                pieces.push_back({name, std::string()});
            }
            position = end + 1;
            continue;
        }
        Piece piece{trim(text.substr(position, equals - position)), std::string()};
        std::size_t valueStart = text.find_first_not_of(" \t", equals + 1);
        std::size_t next = text.size();
        if (valueStart != std::string::npos && isQuote(text[valueStart])) {
            char close = text[valueStart] == '{' ? '}' : text[valueStart];
            std::size_t i = valueStart + 1;
            bool closed = false;
            for (; i < text.size(); ++i) {
                if (text[i] == close) {
                    if (i + 1 < text.size() && text[i + 1] == close) {
                        piece.value += close;
                        ++i;
                        continue;
                    }
                    closed = true;
                    break;
                }
                piece.value += text[i];
            }
            std::size_t after = text.find(';', i);
            next = after == std::string::npos ? text.size() : after;
            if (problem->empty() && !closed) {
                *problem = "The value of " + piece.name + " has no closing quote.";
            } else if (problem->empty() && closed &&
                       !trim(text.substr(i + 1, next - i - 1)).empty()) {
                *problem = "The value of " + piece.name + " has text after its closing quote.";
            }
        } else {
            std::size_t end = semicolon == std::string::npos ? text.size() : semicolon;
            if (valueStart != std::string::npos && valueStart < end) {
                piece.value = trim(text.substr(valueStart, end - valueStart));
            }
            next = end;
        }
        if (!piece.name.empty()) {
            pieces.push_back(std::move(piece));
        }
        position = next + 1;
    }
    return pieces;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return ::strcasecmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

std::string ConnectionStringValue(const std::string& value) {
    if (value.empty()) {
        return value;
    }
    bool plain = value.find(';') == std::string::npos && !isQuote(value[0]) && value == trim(value);
    if (plain) {
        return value;
    }
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string SqlServerConnectionString(const SqlServerPageValues& values) {
    return StringPrintf("PROVIDER=SQLOLEDB;SERVER=%s;DATABASE=%s;TRUSTED_CONNECTION=%s",
                        ConnectionStringValue(values.server).c_str(),
                        ConnectionStringValue(values.database).c_str(),
                        values.currentUser ? "yes" : "no") +
           SqlServerCredentialsSuffix(values.currentUser, values.user, values.password,
                                      values.additional);
}

std::string SqlServerConnectionStringSpec(const std::string& server, const std::string& database) {
    return StringPrintf("%d:MSSQL:%s:%s", scan::kSqlServerDatabase, server.c_str(),
                        database.c_str());
}

SqlServerParseResult ParseSqlServerConnectionString(const std::string& text) {
    SqlServerParseResult result;
    SqlServerPageValues& values = result.values;
    values.currentUser = false;
    for (const Piece& piece : splitPieces(text, &result.problem)) {
        std::string name = upper(piece.name);
        if (name == "SERVER" || name == "DATA SOURCE") {
            values.server = piece.value;
        } else if (name == "INITIAL CATALOG" || name == "DATABASE") {
            values.database = piece.value;
        } else if (name == "USER ID" || name == "UID") {
            values.user = piece.value;
        } else if (name == "PASSWORD" || name == "PWD") {
            values.password = piece.value;
        } else if (name == "TRUSTED_CONNECTION") {
            if (equalsIgnoringCase(piece.value, "yes")) {
                values.currentUser = true;
            }
        } else if (name != "PROVIDER" && name != "DSN") {
            if (!values.additional.empty()) {
                values.additional += ";";
            }
            values.additional += name + "=" + ConnectionStringValue(piece.value);
        }
    }
    return result;
}

SqlServerParseResult SqlServerPageOnActivation(const std::string& newSpecification,
                                               const std::string& newConnectionString,
                                               const std::string& storedServer,
                                               const std::string& storedDatabase) {
    SqlServerParseResult result;
    if (newSpecification.find(":MSSQL:") != std::string::npos) {
        result = ParseSqlServerConnectionString(newConnectionString);
    }
    SqlServerPageValues& values = result.values;
    values.currentUser = values.user.empty() && values.password.empty();
    if (values.server.empty()) {
        values.server = storedServer;
    }
    if (values.database.empty()) {
        values.database = storedDatabase;
    }
    return result;
}

std::string MySqlConnectionString(const std::string& dsnName) {
    return StringPrintf("DSN=%s", dsnName.c_str());
}

std::string MySqlConnectionStringSpec(const std::string& server, const std::string& database) {
    return StringPrintf("%d:MySQL:%s:%s", scan::kMySqlDatabase, server.c_str(), database.c_str());
}

std::string AdvancedConnectionStringSpec(int dialect) {
    return StringPrintf("%d:?:?", dialect);
}

CopyPageChoice ChooseCopyPage(int kind, const std::string& newConnectionString,
                              const std::string& oldSpecification,
                              const std::string& newSpecification) {
    CopyPageChoice choice;
    if (equalsIgnoringCase(oldSpecification, newSpecification)) {
        choice.explanation =
            "It appears that you are connecting to the same database, so copying the data from "
            "one database to another is not applicable.  Press Finish to proceed.";
    } else if (oldSpecification.empty()) {
        choice.explanation =
            "You have created a new connection to a database.  Since an old database does not "
            "exist, copying data from the old database is not applicable.  Press Finish to "
            "proceed.";
    } else if (kind == scan::kAccessDatabase &&
               newConnectionString.find("DSN=") != std::string::npos) {
        choice.explanation =
            "It appears that you have set up a new database.  However, since you are accessing "
            "it via ODBC, the database creation scripts won't be run, and therefore copying "
            "data from the old to the new database cannot be performed.";
    } else {
        choice.explanation = StringPrintf(
            "It appears that you have set up a new database.  If you would like to copy the "
            "data from the old database, check the box below.  NOTE: All %s tables in the new "
            "database will first be emptied before copying the data from the old database.  "
            "Tables that aren't used by %s will not be affected.  IMPORTANT: If these "
            "connection strings point to the same database and you continue, you'll lose all "
            "of your %s data!",
            ProductName3218, ProductName3218, ProductName3218);
        choice.checked = true;
        choice.enabled = true;
    }
    return choice;
}

std::vector<std::string> ConnectionStringPasswords(const std::string& connectionString) {
    std::vector<std::string> passwords;
    std::string ignored;
    for (const Piece& piece : splitPieces(connectionString, &ignored)) {
        std::string name = upper(piece.name);
        if ((name == "PWD" || name == "PASSWORD") && !piece.value.empty()) {
            passwords.push_back(piece.value);
        }
    }
    return passwords;
}

std::string HideSecrets(std::string text, const std::vector<std::string>& secrets) {
    // A secret appears as typed or in its quoted form; the longer forms go first so that no
    // part of one survives the replacement of another.
    std::vector<std::string> forms;
    for (const std::string& secret : secrets) {
        if (!secret.empty()) {
            forms.push_back(secret);
            forms.push_back(ConnectionStringValue(secret));
        }
    }
    std::sort(forms.begin(), forms.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& form : forms) {
        for (std::size_t at = text.find(form); at != std::string::npos;
             at = text.find(form, at + 4)) {
            text.replace(at, form.size(), "****");
        }
    }
    return text;
}

} // namespace dbconfig
