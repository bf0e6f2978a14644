// Reading connection strings and choosing the back end.
#include "platform/ado/ConnectionString.h"

#include <gtest/gtest.h>

using namespace platform::ado;

TEST(ConnectionString, PairsAreTrimmedAndQuotedValuesKeepTheirSemicolons) {
    auto pairs = ParseConnectionString(
        " Provider = SQLite ; Data Source={/srv/a;b.db};Extended=\"x\"\"y\";Flag;");
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"Provider", "SQLite"}));
    EXPECT_EQ(pairs[1].second, "/srv/a;b.db");
    EXPECT_EQ(pairs[2].second, "x\"y");
    EXPECT_EQ(pairs[3], (std::pair<std::string, std::string>{"Flag", ""}));
}

TEST(ConnectionString, TheProviderDecidesTheBackEnd) {
    ResolvedConnection sqlite =
        ResolveConnectionString("Provider=SQLite;Data Source=/var/lib/tallyvol/tallyvol3.db");
    EXPECT_EQ(sqlite.kind, ProviderKind::kSqlite);
    EXPECT_EQ(sqlite.target, "/var/lib/tallyvol/tallyvol3.db");

    ResolvedConnection dsn = ResolveConnectionString("DSN=CVTallyvol");
    EXPECT_EQ(dsn.kind, ProviderKind::kOdbc);
    EXPECT_EQ(dsn.target, "DSN=CVTallyvol");

    ResolvedConnection driver =
        ResolveConnectionString("Driver={MariaDB Unicode};Server=db;PWD={a;b}", "u", "p w");
    EXPECT_EQ(driver.kind, ProviderKind::kOdbc);
    EXPECT_EQ(driver.target, "Driver=MariaDB Unicode;Server=db;PWD={a;b};UID=u;PWD=p w");

    EXPECT_EQ(ResolveConnectionString("Provider=MSDASQL;DSN=x").target, "DSN=x");
    EXPECT_EQ(ResolveConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb").kind,
              ProviderKind::kUnknown);
    EXPECT_EQ(ResolveConnectionString("").kind, ProviderKind::kUnknown);
}

TEST(ConnectionString, SqlServerStringsBecomeFreeTdsStrings) {
    EXPECT_EQ(
        TranslateSqlOledbToFreeTds(
            "PROVIDER=SQLOLEDB;SERVER=srv1;DATABASE=Tallyvol;TRUSTED_CONNECTION=no;"
            "USER ID=sa;PWD=secret"),
        "Driver={FreeTDS};Server=srv1;Database=Tallyvol;Trusted_Connection=No;UID=sa;PWD=secret");
    EXPECT_EQ(TranslateSqlOledbToFreeTds(
                  "Provider=SQLOLEDB.1;Data Source=srv2,1444;Initial Catalog=db;"
                  "Integrated Security=SSPI;Persist Security Info=False;Network Library=dbmssocn"),
              "Driver={FreeTDS};Server=srv2;Port=1444;Database=db;Trusted_Connection=Yes");
    ResolvedConnection resolved =
        ResolveConnectionString("PROVIDER=SQLOLEDB;SERVER=s;DATABASE=d;TRUSTED_CONNECTION=yes");
    EXPECT_EQ(resolved.kind, ProviderKind::kOdbc);
    EXPECT_EQ(resolved.target, "Driver={FreeTDS};Server=s;Database=d;Trusted_Connection=Yes");
}

// Wherever a connection string leaves the process, its password is masked: any case, any
// provider, blanks around "=", braced and quoted values whole, inside longer texts.
TEST(ConnectionString, PasswordsAreMaskedInAnyText) {
    const std::pair<const char*, const char*> cases[] = {
        {"DSN=x;UID=u;PWD=secret;", "DSN=x;UID=u;PWD=****;"},
        {"Driver=MariaDB;pwd = secret", "Driver=MariaDB;pwd = ****"},
        {"PROVIDER=SQLOLEDB;USER ID=sa;Password={se;cr}}et};Timeout=2", "PROVIDER=SQLOLEDB;USER ID=sa;Password=****;Timeout=2"},
        {"PWD=\"a;b\";X=1", "PWD=****;X=1"},
        {"Trying to open the \"DSN=x;PWD=secret\" database connection", "Trying to open the \"DSN=x;PWD=****\" database connection"},
        {"Connection String:Driver=x;PASSWORD=p w\r\nnext", "Connection String:Driver=x;PASSWORD=****\r\nnext"},
        {"PWD=;UID=u", "PWD=;UID=u"},
        {"OLDPWD=/home/x PWDX=1 MyPassword=2", "OLDPWD=/home/x PWDX=1 MyPassword=2"},
        {"no key here", "no key here"},
    };
    for (const auto& [text, masked] : cases) {
        EXPECT_EQ(MaskConnectionPasswords(text), masked) << text;
    }
}
