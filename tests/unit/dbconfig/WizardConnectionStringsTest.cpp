// The wizard pages' connection strings and specifications, the SQL Server page's fields read
// back from a string (values with ";", "=", quotes and blanks survive, or the loss is
// reported), the copy page's choices and hiding passwords.
#include "dbconfig/AccessDatabase.h"
#include "dbconfig/WizardConnectionStrings.h"
#include "platform/ado/ConnectionString.h"

#include <gtest/gtest.h>

using namespace dbconfig;

namespace {

std::string valueOf(const std::string& connectionString, const std::string& name) {
    for (const auto& [key, value] : platform::ado::ParseConnectionString(connectionString)) {
        if (key == name) {
            return value;
        }
    }
    return "<absent>";
}

} // namespace

TEST(WizardConnectionStrings, PagesBuildTheirStringsAndSpecifications) {
    SqlServerPageValues page;
    page.server = "SERVER1";
    page.database = "DBNAME";
    EXPECT_EQ(SqlServerConnectionString(page),
              "PROVIDER=SQLOLEDB;SERVER=SERVER1;DATABASE=DBNAME;TRUSTED_CONNECTION=yes");
    page.currentUser = false;
    page.user = "sa";
    EXPECT_EQ(SqlServerConnectionString(page),
              "PROVIDER=SQLOLEDB;SERVER=SERVER1;DATABASE=DBNAME;TRUSTED_CONNECTION=no;USER ID=sa");
    page.password = "pw";
    page.additional = "App=Tallyvol";
    EXPECT_EQ(SqlServerConnectionString(page), "PROVIDER=SQLOLEDB;SERVER=SERVER1;DATABASE=DBNAME;"
                                                "TRUSTED_CONNECTION=no;USER ID=sa;PWD=pw;App=Tallyvol");
    page.additional = ";App=Tallyvol";
    EXPECT_TRUE(SqlServerConnectionString(page).ends_with(";PWD=pw;App=Tallyvol"));
    page.user.clear(); // a password without a user name is not written
    EXPECT_TRUE(SqlServerConnectionString(page).ends_with("TRUSTED_CONNECTION=no;App=Tallyvol"));

    EXPECT_EQ(SqlServerConnectionStringSpec("SERVER1", "DBNAME"), "2:MSSQL:SERVER1:DBNAME");
    EXPECT_EQ(MySqlConnectionString("TallyvolMySQL"), "DSN=TallyvolMySQL");
    EXPECT_EQ(MySqlConnectionStringSpec("HOST", "DBNAME"), "3:MySQL:HOST:DBNAME");
    EXPECT_EQ(AdvancedConnectionStringSpec(2), "2:?:?");
    EXPECT_EQ(AdvancedConnectionStringSpec(0), "0:?:?");
    EXPECT_EQ(AccessConnectionStringSpec("/srv/store.db"), "1:/srv/store.db");
}

TEST(WizardConnectionStrings, SqlServerFieldsSurviveTheRoundTrip) {
    struct Case {
        const char* what;
        SqlServerPageValues values;
    };
    const Case cases[] = {
        {"plain", {"SRV", "DB", false, "sa", "secret", ""}},
        {"password with = and ;", {"SRV", "DB", false, "sa", "a=b;c=d;", ""}},
        {"password with quotes", {"SRV", "DB", false, "sa", "\"q\";'s'", ""}},
        {"password in braces", {"SRV", "DB", false, "sa", "{x}", ""}},
        {"blanks around the password", {"SRV", "DB", false, "sa", "  two blanks  ", ""}},
        {"user with ;", {"SRV", "DB", false, "dom;ain\\me", "p", ""}},
        {"server with port and database with ;", {"host,1433", "my;db", true, "", "", ""}},
        {"additional parameters", {"SRV", "DB", true, "", "", "APP=Tallyvol;WSID=\"a;b\""}},
    };
    for (const Case& c : cases) {
        std::string text = SqlServerConnectionString(c.values);
        SqlServerParseResult parsed = ParseSqlServerConnectionString(text);
        EXPECT_EQ(parsed.problem, "") << c.what;
        EXPECT_EQ(parsed.values, c.values) << c.what << ": " << text;
        // The connection itself reads the same password out of the string.
        if (!c.values.password.empty()) {
            EXPECT_EQ(valueOf(text, "PWD"), c.values.password) << c.what;
        }
    }
}

TEST(WizardConnectionStrings, TypedStringsAreReadBackIntoThePage) {
    SqlServerParseResult parsed = ParseSqlServerConnectionString(
        "Provider=SQLOLEDB.1; Data Source = SRV\\INST ;Initial Catalog=Scans;UID=me;"
        "Password=x=y;Encrypt=yes;dsn=ignored;Trusted_Connection=YES;App={a;b}");
    EXPECT_EQ(parsed.problem, "");
    EXPECT_EQ(parsed.values.server, "SRV\\INST");
    EXPECT_EQ(parsed.values.database, "Scans");
    EXPECT_EQ(parsed.values.user, "me");
    EXPECT_EQ(parsed.values.password, "x=y") << "the value runs past a second \"=\"";
    EXPECT_TRUE(parsed.values.currentUser);
    EXPECT_EQ(parsed.values.additional, "ENCRYPT=yes;APP=\"a;b\"");

    // What the connection would lose is reported, never cut silently.
    EXPECT_NE(ParseSqlServerConnectionString("SERVER=s;PWD=\"open;USER ID=x").problem, "");
    EXPECT_NE(ParseSqlServerConnectionString("SERVER=s;PWD='ab'cd;UID=x").problem, "");
}

TEST(WizardConnectionStrings, ThePageOnActivation) {
    std::string typed = "PROVIDER=SQLOLEDB;SERVER=S1;DATABASE=D1;TRUSTED_CONNECTION=yes;USER ID=u";
    SqlServerParseResult page = SqlServerPageOnActivation("2:MSSQL:S1:D1", typed, "STORED", "SDB");
    EXPECT_EQ(page.values.server, "S1");
    EXPECT_FALSE(page.values.currentUser) << "a user name selects the credentials";
    // Not a SQL Server specification: fields empty but for the stored server and database.
    page = SqlServerPageOnActivation("3:?:?", typed, "STORED", "SDB");
    EXPECT_EQ(page.values, (SqlServerPageValues{"STORED", "SDB", true, "", "", ""}));
    page = SqlServerPageOnActivation("2:MSSQL::", "PROVIDER=SQLOLEDB;TRUSTED_CONNECTION=no", "ST", "SD");
    EXPECT_EQ(page.values.server, "ST");
    EXPECT_TRUE(page.values.currentUser);
}

TEST(WizardConnectionStrings, TheCopyPageChoosesByTheSpecifications) {
    struct Case {
        const char* what;
        int kind;
        const char* newString;
        const char* oldSpec;
        const char* newSpec;
        const char* explanationStart;
        bool enabled;
    };
    const Case cases[] = {
        {"same file, ODBC to direct access", 1, "Provider=SQLite;Data Source=/a.db", "1:/a.db", "1:/A.DB",
         "It appears that you are connecting to the same database", false},
        {"no old database", 3, "DSN=x", "", "3:MySQL:h:d", "You have created a new connection", false},
        {"new store file reached through ODBC", 1, "DSN=TallyvolDSN", "1:/a.db", "1:/b.db",
         "It appears that you have set up a new database.  However", false},
        {"advanced string", 2, "anything", "2:MSSQL:s:d", "2:?:?",
         "It appears that you have set up a new database.  If you would like", true},
        {"nothing stored, nothing chosen", 0, "", "", "", "It appears that you are connecting", false},
    };
    for (const Case& c : cases) {
        CopyPageChoice choice = ChooseCopyPage(c.kind, c.newString, c.oldSpec, c.newSpec);
        EXPECT_EQ(choice.explanation.rfind(c.explanationStart, 0), 0u) << c.what << ": " << choice.explanation;
        EXPECT_EQ(choice.enabled, c.enabled) << c.what;
        EXPECT_EQ(choice.checked, c.enabled) << c.what;
    }
    CopyPageChoice offered = ChooseCopyPage(3, "DSN=x", "1:/a.db", "3:?:?");
    EXPECT_NE(offered.explanation.find("NOTE: All Tallyvol tables in the new database will first be "
                                       "emptied"),
              std::string::npos);
}

TEST(WizardConnectionStrings, PasswordsAreFoundAndHidden) {
    std::string text = "Driver=MariaDB Unicode;UID=u;PWD=\"a;b\"\"c\";Password=plain";
    std::vector<std::string> secrets = ConnectionStringPasswords(text);
    ASSERT_EQ(secrets, (std::vector<std::string>{"a;b\"c", "plain"}));
    EXPECT_EQ(HideSecrets("Trying to open " + text + ".  HR=80004005", secrets),
              "Trying to open Driver=MariaDB Unicode;UID=u;PWD=****;Password=****.  HR=80004005");
    EXPECT_EQ(HideSecrets("no secrets here", {}), "no secrets here");
}
