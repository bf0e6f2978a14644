/*
 * tallyvol --growth DIR [--days N] [--top N] [--format text|csv|json]: prints where the space
 * below a directory went between two stored scans (scan/GrowthReport.h) and exits. It reads
 * the configured store and changes nothing in it but the report's index, added once to a store
 * made without it. Never loads the window library.
 *
 * Exit status: 0 printed; 1 the report could not be made (no store, the directory is not in
 * it, fewer than two scans, no scan old enough for --days, a store error, output that could
 * not be written), with the reason on standard error; 2 a command line that cannot be run.
 * Main thread.
 */
#ifndef TALLYVOL_APP_GROWTHCOMMAND_H
#define TALLYVOL_APP_GROWTHCOMMAND_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace app {

enum class GrowthOutputFormat { kText, kCsv, kJson };

struct GrowthCommandOptions {
    std::string directory;
    std::optional<int> days;
    std::size_t top = 20;
    GrowthOutputFormat format = GrowthOutputFormat::kText;
};

// Whether the arguments ask for the growth report (one of them is --growth or --growth=DIR).
bool IsGrowthCommand(const std::vector<std::string>& arguments);

// Reads the arguments ("--name value" or "--name=value"); false with *error set when they
// cannot be run.
bool ParseGrowthArguments(const std::vector<std::string>& arguments, GrowthCommandOptions& options,
                          std::string* error);

// The whole command: the arguments after the program name; returns the exit status.
int RunGrowthCommand(const std::vector<std::string>& arguments);

} // namespace app

#endif
