// Walks a tree the way a scan does, with a consumer that keeps only per-directory totals, and
// prints what it found and how long it took. Modes: readahead (the scan without loop check),
// sync (the same on one thread), loopcheck (synchronous, fingerprints), prepare (breadth-first,
// directories only, read ahead, as for a tree seen the first time), prepare-sync (the same on
// one thread).
//
//   scan_walk_bench [--mode readahead|sync|loopcheck|prepare|prepare-sync] [--threads N] [--repeat N] DIR
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/FileTime.h"
#include "scan/fs/TreeWalker.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Totals {
    std::uint64_t bytes = 0;
    std::uint64_t directories = 0;
    std::uint64_t files = 0;
    std::uint64_t extensions = 0;
};

Totals walk(const std::string& root, const std::string& mode, int threads) {
    scan::WalkOptions options;
    options.readAhead = mode == "readahead" || mode == "prepare" || mode == "loopcheck-ahead";
    options.countingThreads = threads;
    options.loopCheck = mode == "loopcheck" || mode == "loopcheck-ahead";
    options.fingerprintCutoff = scan::ScanAgeCutoff();
    if (mode == "prepare" || mode == "prepare-sync") {
        options.order = scan::WalkOptions::Order::kBreadthFirst;
        options.countFiles = false;
    }
    scan::LoopDetector loops;
    scan::TreeWalker walker(root, options);
    Totals totals;
    std::vector<std::uint64_t> stack; // the totals of the directories being walked
    scan::WalkEvent event;
    while (walker.Next(event)) {
        if (event.kind == scan::WalkEventKind::kEnter) {
            const scan::DirectoryResult& directory = *event.directory;
            ++totals.directories;
            totals.files += directory.fileCount;
            totals.extensions += directory.extensions.size();
            if (directory.hasFingerprint && loops.AlreadyReached(directory.fingerprint, directory.fullFingerprint, directory.path,
                                                      {directory.device, directory.inode})) {
                walker.SkipSubtree();
                stack.push_back(~std::uint64_t{0});
                continue;
            }
            if (options.order == scan::WalkOptions::Order::kDepthFirst) {
                stack.push_back(directory.filesSize);
            } else {
                totals.bytes += directory.filesSize;
            }
        } else {
            std::uint64_t total = stack.back();
            stack.pop_back();
            if (total == ~std::uint64_t{0}) {
                total = 0;
            }
            if (stack.empty()) {
                totals.bytes = total;
            } else {
                stack.back() += total;
            }
        }
    }
    return totals;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = "readahead";
    int threads = 0;
    int repeat = 1;
    std::string root;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--mode" && i + 1 < argc) {
            mode = argv[++i];
        } else if (argument == "--threads" && i + 1 < argc) {
            threads = std::atoi(argv[++i]);
        } else if (argument == "--repeat" && i + 1 < argc) {
            repeat = std::atoi(argv[++i]);
        } else {
            root = argument;
        }
    }
    if (root.empty() || (mode != "readahead" && mode != "sync" && mode != "loopcheck" && mode != "loopcheck-ahead" &&
                         mode != "prepare" && mode != "prepare-sync")) {
        std::fprintf(stderr,
                     "usage: %s [--mode readahead|sync|loopcheck|loopcheck-ahead|prepare|prepare-sync] [--threads N] "
                     "[--repeat N] DIR\n",
                     argv[0]);
        return 2;
    }
    for (int run = 0; run < repeat; ++run) {
        auto start = std::chrono::steady_clock::now();
        Totals totals = walk(root, mode, threads);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("%s %s: %.3f s, %llu directories, %llu files, %llu bytes on disk, %llu tallies, peak RSS %ld KB\n",
                    mode.c_str(), root.c_str(), seconds, static_cast<unsigned long long>(totals.directories),
                    static_cast<unsigned long long>(totals.files), static_cast<unsigned long long>(totals.bytes),
                    static_cast<unsigned long long>(totals.extensions), usage.ru_maxrss);
    }
    return 0;
}
