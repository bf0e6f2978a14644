#include "scan/fs/ReadAhead.h"

#include <algorithm>

namespace scan {

namespace {

// The walker thread counts as well, so one processor is left to it.
int countingThreads(int wanted) {
    if (wanted > 0) {
        return wanted;
    }
    unsigned processors = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(processors, 2u, 5u) - 1);
}

// Directories listed but not yet counted keep their descriptors open.
constexpr std::size_t kMaxUncounted = 64;
// Events the walker thread gathers before publishing them while the queue is well filled, and how
// long it may hold them; with a short queue each event is published at once.
constexpr std::size_t kPublishBatch = 8;
constexpr auto kPublishDelay = std::chrono::milliseconds(2);
// Directories a counting thread takes at once.
constexpr std::size_t kCountBatch = 8;
// Directories waiting for counting beyond which the walker thread counts some itself.
constexpr std::size_t kWalkerHelps = 16;
// The consumer is woken for a run of finished events, not for each; while it waits it also looks
// at the queue this often, so a short run never waits long.
constexpr std::size_t kConsumerBatch = 32;
constexpr auto kConsumerPoll = std::chrono::milliseconds(2);

} // namespace

ReadAhead::ReadAhead(Traversal& traversal, const WalkOptions& options)
    : m_traversal(traversal), m_maxDirectories(std::max<std::size_t>(1, options.maxQueuedDirectories)),
      m_maxBytes(std::max<std::size_t>(1, options.maxQueuedBytes)),
      m_maxUncounted(std::min(kMaxUncounted, m_maxDirectories)),
      m_counterCount(static_cast<std::size_t>(countingThreads(options.countingThreads))) {
    try {
        for (std::size_t i = 0; i < m_counterCount; ++i) {
            m_counters.emplace_back(&ReadAhead::count, this);
        }
        m_producer = std::thread(&ReadAhead::produce, this);
    } catch (...) {
        Cancel();
        for (std::thread& counter : m_counters) {
            counter.join();
        }
        throw;
    }
}

ReadAhead::~ReadAhead() {
    Cancel();
    if (m_producer.joinable()) {
        m_producer.join();
    }
    for (std::thread& counter : m_counters) {
        counter.join();
    }
}

void ReadAhead::Cancel() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancelled = true;
    m_consumerWake.notify_all();
    m_producerWake.notify_all();
    m_counterWake.notify_all();
}

void ReadAhead::applyCuts() {
    if (!m_cutsPending.load(std::memory_order_acquire)) {
        return;
    }
    std::vector<std::uint64_t> cuts;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        cuts.swap(m_cuts);
        m_cutsPending.store(false, std::memory_order_relaxed);
    }
    for (std::uint64_t enterNumber : cuts) {
        m_traversal.CutSubtree(enterNumber);
    }
}

void ReadAhead::awaitDecision(std::uint64_t enterNumber) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_awaitingDecision.store(true);
    m_producerWaiting = true; // the consumer is woken for what is queued, however little
    wakeConsumerIfWorthIt();
    m_producerWake.wait(lock, [&] { return m_cancelled || m_decided.load() >= enterNumber; });
    m_producerWaiting = false;
    m_awaitingDecision.store(false);
}

void ReadAhead::Decided(std::uint64_t enterNumber) {
    m_decided.store(enterNumber);
    if (m_awaitingDecision.load()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_producerWake.notify_all();
    }
}

void ReadAhead::Cut(std::uint64_t enterNumber) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cuts.push_back(enterNumber);
    m_cutsPending.store(true, std::memory_order_release);
}

bool ReadAhead::belowLowWater() const {
    return m_queuedDirectories <= m_maxDirectories / 2 && m_queuedBytes <= m_maxBytes / 2 &&
           m_uncounted <= m_maxUncounted / 2;
}

bool ReadAhead::headReady() const {
    return !m_slots.empty() && m_slots.front().counted;
}

void ReadAhead::wakeConsumerIfWorthIt() {
    if (m_consumerWaiting && headReady() && (m_slots.size() >= kConsumerBatch || m_producerDone || m_producerWaiting)) {
        m_consumerWake.notify_one();
    }
}

void ReadAhead::produce() {
    try {
        std::vector<Slot> batch;
        auto batchStarted = std::chrono::steady_clock::now();
        std::uint64_t enters = 0;
        for (;;) {
            applyCuts();
            ProducedEvent produced;
            if (!m_traversal.Advance(produced)) {
                break;
            }
            enters += produced.kind == WalkEventKind::kEnter ? 1 : 0;
            bool readBefore = produced.readBefore;
            bool needsCounting = produced.job && produced.job->NeedsFinishing();
            std::size_t bytes = produced.job ? produced.job->EstimatedBytes() : 0;
            if (batch.empty()) {
                batchStarted = std::chrono::steady_clock::now();
            }
            batch.push_back({produced.kind, produced.depth, std::move(produced.job), bytes, !needsCounting});
            if (readBefore || batch.size() >= kPublishBatch || m_slotCount.load(std::memory_order_relaxed) < kPublishBatch ||
                std::chrono::steady_clock::now() - batchStarted >= kPublishDelay) {
                publish(batch);
                if (batch.size() != 0) {
                    break; // cancelled
                }
            }
            if (readBefore) {
                awaitDecision(enters);
            }
        }
        publish(batch);
    } catch (...) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_error) {
            m_error = std::current_exception();
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_producerDone = true;
    m_consumerWake.notify_all();
    m_counterWake.notify_all();
}

// Moves the batch into the queue, waiting while the queue is full; leaves it when cancelled.
void ReadAhead::publish(std::vector<Slot>& batch) {
    if (batch.empty()) {
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    // Directories waiting to be counted are work for this thread too; it sleeps only when the
    // consumer is what everything waits for.
    while (!m_cancelled && !m_toCount.empty() &&
           (m_toCount.size() >= kWalkerHelps || m_uncounted >= m_maxUncounted)) {
        countBatch(lock, kCountBatch);
    }
    if (m_queuedDirectories >= m_maxDirectories || m_queuedBytes >= m_maxBytes || m_uncounted >= m_maxUncounted) {
        m_producerWaiting = true;
        wakeConsumerIfWorthIt();
        m_producerWake.wait(lock, [&] { return m_cancelled || belowLowWater(); });
        m_producerWaiting = false;
    }
    if (m_cancelled) {
        return;
    }
    std::size_t toCount = 0;
    for (Slot& slot : batch) {
        if (slot.job) {
            ++m_queuedDirectories;
            m_queuedBytes += slot.bytes;
        }
        m_slots.push_back(std::move(slot));
        if (!m_slots.back().counted) {
            m_toCount.push_back(&m_slots.back());
            ++toCount;
        }
    }
    batch.clear();
    m_slotCount.store(m_slots.size(), std::memory_order_relaxed);
    m_uncounted += toCount;
    // A counting thread is woken for a batch, not for each directory: in a tree of small
    // directories the wake-ups would cost more than the counting. Fewer wait for the consumer,
    // which counts them itself when it has nothing else to do.
    if (toCount != 0 && m_toCount.size() >= kCountBatch) {
        if (m_toCount.size() >= 2 * kCountBatch) {
            m_counterWake.notify_all();
        } else {
            m_counterWake.notify_one();
        }
    }
    wakeConsumerIfWorthIt();
}

void ReadAhead::countBatch(std::unique_lock<std::mutex>& lock, std::size_t most) {
    std::vector<Slot*> mine;
    std::size_t share = std::clamp<std::size_t>(m_toCount.size() / (m_counterCount + 1), 1, most);
    for (std::size_t i = 0; i < share && !m_toCount.empty(); ++i) {
        mine.push_back(m_toCount.front());
        m_toCount.pop_front();
    }
    lock.unlock();
    std::exception_ptr error;
    for (Slot* slot : mine) {
        try {
            slot->job->Finish();
        } catch (...) {
            error = std::current_exception();
        }
    }
    lock.lock();
    if (error && !m_error) {
        m_error = error;
        m_consumerWake.notify_all();
    }
    for (Slot* slot : mine) {
        slot->counted = true;
    }
    m_uncounted -= mine.size();
    if (m_producerWaiting && belowLowWater()) {
        m_producerWake.notify_one();
    }
    wakeConsumerIfWorthIt();
}

void ReadAhead::count() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_counterWake.wait(lock, [&] { return m_cancelled || !m_toCount.empty() || m_producerDone; });
        if (m_cancelled || m_toCount.empty()) {
            return;
        }
        countBatch(lock, kCountBatch);
    }
}

TreeWalker::WaitResult ReadAhead::Next(WalkEvent& event, const std::chrono::milliseconds* maxWait) {
    if (m_taken.empty()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto ready = [&] { return m_error || m_cancelled || headReady() || (m_slots.empty() && m_producerDone); };
        if (!ready()) {
            m_consumerWaiting = true;
            auto deadline = maxWait != nullptr ? std::chrono::steady_clock::now() + *maxWait
                                               : std::chrono::steady_clock::time_point::max();
            bool woken = false;
            while (!woken) {
                if (!m_toCount.empty() && !m_cancelled && !m_error) {
                    countBatch(lock, kCountBatch);
                    woken = ready();
                    continue;
                }
                auto now = std::chrono::steady_clock::now();
                if (now >= deadline) {
                    break;
                }
                auto slice = std::min<std::chrono::steady_clock::duration>(kConsumerPoll, deadline - now);
                woken = m_consumerWake.wait_for(lock, slice, ready);
            }
            m_consumerWaiting = false;
            if (!woken) {
                return TreeWalker::WaitResult::kTimeout;
            }
        }
        if (m_error) {
            std::exception_ptr error = m_error;
            lock.unlock();
            Cancel();
            std::rethrow_exception(error);
        }
        if (m_cancelled) {
            return TreeWalker::WaitResult::kFinished;
        }
        // Take the whole finished run at the head (slots are stable in a deque only at its ends,
        // and counting threads hold pointers to unfinished ones, which stay behind).
        while (headReady()) {
            if (m_slots.front().job) {
                --m_queuedDirectories;
                m_queuedBytes -= m_slots.front().bytes;
            }
            m_taken.push_back(std::move(m_slots.front()));
            m_slots.pop_front();
        }
        m_slotCount.store(m_slots.size(), std::memory_order_relaxed);
        if (m_producerWaiting && belowLowWater()) {
            m_producerWake.notify_one();
        }
        if (m_taken.empty()) {
            return TreeWalker::WaitResult::kFinished;
        }
    }
    Slot slot = std::move(m_taken.front());
    m_taken.pop_front();
    event.kind = slot.kind;
    event.depth = slot.depth;
    event.directory = slot.job ? std::move(slot.job->result) : nullptr;
    return TreeWalker::WaitResult::kEvent;
}

} // namespace scan
