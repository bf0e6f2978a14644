// Cutting scripts into statements. Kept free of every other part of the program: the build
// uses it to make the empty store template from the same script the program runs.
#include "scan/RunScript.h"

namespace scan {

namespace {

constexpr const char* kIgnoreErrorsMarker = "%IGNOREERRORS%";

void finish(std::string& collected, std::vector<ScriptStatement>& statements) {
    if (collected.size() > 5) {
        ScriptStatement statement;
        std::size_t marker = collected.find(kIgnoreErrorsMarker);
        if (marker != std::string::npos) {
            statement.ignoreErrors = true;
            do {
                collected.erase(marker, std::char_traits<char>::length(kIgnoreErrorsMarker));
                marker = collected.find(kIgnoreErrorsMarker);
            } while (marker != std::string::npos);
        }
        statement.text = std::move(collected);
        statements.push_back(std::move(statement));
    }
    collected.clear();
}

} // namespace

std::vector<ScriptStatement> SplitScript(const std::string& scriptText) {
    std::vector<ScriptStatement> statements;
    std::string collected;
    std::size_t position = 0;
    while (position < scriptText.size()) {
        std::size_t end = scriptText.find_first_of("\r\n", position);
        if (end == std::string::npos) {
            end = scriptText.size();
        }
        if (end > position) {
            if (scriptText[position] == '#') {
                finish(collected, statements);
            } else {
                collected.append(scriptText, position, end - position);
                collected += "\r\n";
            }
        }
        position = end + 1;
    }
    finish(collected, statements);
    return statements;
}

} // namespace scan
