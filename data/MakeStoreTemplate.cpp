// Build tool: makes the empty store template (datasrc3.dll) from CreateAccessTables.txt, cut
// into statements exactly as the program cuts scripts. Fails the build on any SQL error.
//   tallyvol_make_store_template <script> <output>
#include "scan/RunScript.h"

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SCRIPT OUTPUT\n", argv[0]);
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    if (!input) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream script;
    script << input.rdbuf();

    std::string output = argv[2];
    std::string temporary = output + ".part";
    std::remove(temporary.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", temporary.c_str(),
                     db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return 1;
    }
    int status = 0;
    for (const scan::ScriptStatement& statement : scan::SplitScript(script.str())) {
        char* error = nullptr;
        if (sqlite3_exec(db, statement.text.c_str(), nullptr, nullptr, &error) != SQLITE_OK &&
            !statement.ignoreErrors) {
            std::fprintf(stderr, "%s: %s\nin: %s\n", argv[1], error ? error : "error",
                         statement.text.c_str());
            status = 1;
        }
        sqlite3_free(error);
    }
    if (status == 0 && sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "VACUUM failed: %s\n", sqlite3_errmsg(db));
        status = 1;
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        status = 1;
    }
    if (status != 0 || std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
