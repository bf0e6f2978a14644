/*
 * The read-ahead mode of the walk: a walker thread runs the traversal and counting threads size
 * the files of the directories it has listed, while the consumer takes finished directories
 * from an ordered queue. The queue holds events in walk order and hands out the head only once
 * it is complete, so the consumer sees exactly the synchronous walk's events. It is bounded by
 * directories and bytes; directories waiting to be counted are bounded further, since each
 * keeps its descriptor open. Work moves between the threads in small batches: one lock and one
 * wake-up per directory would cost more than the directory itself. The walker thread counts too
 * when directories pile up for counting, so that every processor does whatever work there is.
 *
 * Created, used and destroyed by the consumer's thread.
 */
#ifndef TALLYVOL_SCAN_FS_READAHEAD_H
#define TALLYVOL_SCAN_FS_READAHEAD_H

#include "scan/fs/Traversal.h"
#include "scan/fs/TreeWalker.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace scan {

class ReadAhead {
public:
    // The traversal must outlive this object.
    ReadAhead(Traversal& traversal, const WalkOptions& options);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Waits for the next event (without limit when maxWait is null).
    TreeWalker::WaitResult Next(WalkEvent& event, const std::chrono::milliseconds* maxWait);
    void Cancel();
    // Stops the walker thread reading below the directory of the given kEnter number (see
    // Traversal::CutSubtree). What it read there already is still delivered: the consumer
    // leaves it out.
    void Cut(std::uint64_t enterNumber);
    // The consumer has made its decision (skip or not) on every kEnter up to this number. A
    // directory read before is where the walker thread waits for that decision rather than read
    // into what is most likely a loop.
    void Decided(std::uint64_t enterNumber);

private:
    struct Slot {
        WalkEventKind kind;
        int depth;
        std::unique_ptr<DirectoryJob> job;
        std::size_t bytes;
        bool counted;
    };

    void produce();
    void applyCuts();
    void awaitDecision(std::uint64_t enterNumber);
    void publish(std::vector<Slot>& batch);
    void count();
    // Takes up to `most` directories waiting for counting, counts them without the lock and marks
    // them counted. The lock is held on entry and on return.
    void countBatch(std::unique_lock<std::mutex>& lock, std::size_t most);
    bool headReady() const;
    bool belowLowWater() const;
    void wakeConsumerIfWorthIt();

    Traversal& m_traversal;
    std::size_t m_maxDirectories;
    std::size_t m_maxBytes;
    std::size_t m_maxUncounted;
    std::size_t m_counterCount;

    std::mutex m_mutex;
    std::condition_variable m_consumerWake;
    std::condition_variable m_producerWake;
    std::condition_variable m_counterWake;
    std::deque<Slot> m_slots;     // published, in walk order
    std::atomic<std::size_t> m_slotCount{0}; // m_slots.size(), readable without the lock
    std::deque<Slot*> m_toCount;  // published slots whose directories wait for counting
    std::size_t m_uncounted = 0;  // waiting or being counted
    std::size_t m_queuedDirectories = 0;
    std::size_t m_queuedBytes = 0;
    bool m_producerDone = false;
    bool m_producerWaiting = false;
    bool m_consumerWaiting = false;
    bool m_cancelled = false;
    std::exception_ptr m_error;
    std::vector<std::uint64_t> m_cuts;      // asked for, not yet applied by the walker thread
    std::atomic<bool> m_cutsPending{false}; // m_cuts is not empty, readable without the lock
    std::atomic<std::uint64_t> m_decided{0};
    std::atomic<bool> m_awaitingDecision{false};

    std::deque<Slot> m_taken; // the consumer's own: complete events moved out under one lock

    std::thread m_producer;
    std::vector<std::thread> m_counters;
};

} // namespace scan

#endif
