// Builds and writes the spreadsheet report of a large set of loaded scans, with every chart:
// the time to build the workbook model and to write the .xlsx file.
//
//   bench_xlsx [--scans N] [--rows N] [--view 0|1|2] [--data-amount 0|1|2] [--out FILE] [--rounds
//   N]
#include "reports/WorkbookModel.h"
#include "reports/XlsxWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Arguments {
    unsigned scans = 100;
    unsigned rows = 2000;
    int view = 0;
    int dataAmount = reports::kUseAllData;
    std::string out = "/tmp/bench_xlsx.xlsx";
    int rounds = 1;
};

Arguments parse(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--scans")
            arguments.scans = static_cast<unsigned>(std::atoi(value));
        else if (name == "--rows")
            arguments.rows = static_cast<unsigned>(std::atoi(value));
        else if (name == "--view")
            arguments.view = std::atoi(value);
        else if (name == "--data-amount")
            arguments.dataAmount = std::atoi(value);
        else if (name == "--out")
            arguments.out = value;
        else if (name == "--rounds")
            arguments.rounds = std::max(1, std::atoi(value));
        else {
            std::fprintf(stderr, "unknown option %s\n", name.c_str());
            std::exit(2);
        }
    }
    return arguments;
}

// Directories of uneven sizes that grow from scan to scan, newest scan first; a few have no
// value in the oldest scans (created later).
void fill(scan::DisplayData& data, const Arguments& arguments) {
    data.path = "//benchhost/srv/projects";
    data.dirID = 1;
    for (unsigned s = 0; s < arguments.scans; ++s) {
        scan::ScanDateTime date;
        date.state = scan::ScanDateTime::State::kValid;
        std::tm day{};
        day.tm_year = 123;
        day.tm_mon = 0;
        day.tm_mday = 1 + static_cast<int>(arguments.scans - 1 - s);
        day.tm_hour = 2;
        std::mktime(&day);
        date = scan::ScanDateTime::FromTm(day);
        data.scans.push_back({1000 + arguments.scans - s, date});
    }
    std::uint64_t seed = 88172645463325252ULL;
    for (unsigned r = 0; r < arguments.rows; ++r) {
        char name[64];
        std::snprintf(name, sizeof name, "//benchhost/srv/projects/dir%05u", r);
        data.rows.push_back({10 + r, name});
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        std::uint64_t base = (seed % 50000000ULL) * (r < 10 ? 200 : 1);
        for (unsigned s = 0; s < arguments.scans; ++s) {
            unsigned age = s; // 0 is the newest
            if (r % 17 == 0 && age > arguments.scans / 2) {
                continue;
            }
            data.SetValue(10 + r, data.scans[s].scanID,
                          base + base / 100 * (arguments.scans - age));
        }
    }
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    Arguments arguments = parse(argc, argv);
    scan::DisplayData data;
    fill(data, arguments);

    reports::WorkbookRequest request;
    request.view = arguments.view;
    request.options.NumColumns = arguments.scans;
    request.options.DataAmount = arguments.dataAmount;
    request.options.Precision = 1;
    request.startScanID = data.scans.front().scanID;
    request.freeSpace = 123456789012ULL;

    std::vector<double> build;
    std::vector<double> write;
    for (int round = 0; round < arguments.rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        reports::WorkbookModel model(data, request);
        build.push_back(secondsSince(start));
        start = std::chrono::steady_clock::now();
        reports::XlsxWriteResult result = reports::XlsxWriter(model).Write(arguments.out, true);
        write.push_back(secondsSince(start));
        if (!result.written) {
            std::fprintf(stderr, "writing %s failed: %s (%d)\n", arguments.out.c_str(),
                         result.errorText.c_str(), result.code);
            return 1;
        }
    }
    std::sort(build.begin(), build.end());
    std::sort(write.begin(), write.end());
    std::printf("%u scans x %u rows, view %d: model %.3f s, write %.3f s (median of %d; best %.3f "
                "s + %.3f s) -> %s\n",
                arguments.scans, arguments.rows, arguments.view, build[build.size() / 2],
                write[write.size() / 2], arguments.rounds, build.front(), write.front(),
                arguments.out.c_str());
    return 0;
}
