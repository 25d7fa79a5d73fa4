#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

namespace orvek {

// A second thread for one run on a machine with a core to spare: it does background work beside
// the simulation (the daily rows' text, from each day's values as the day ends) and takes its
// share of work split into pieces (the result files made from the daily one). Each piece and
// each row is computed by the same code from the same inputs whichever thread takes it, so the
// results do not depend on the threads. While it has nothing to do it spins for a moment, then
// yields the processor, then sleeps until it is given work, so that it holds no core between
// runs or while the run's own thread is held up. The destructor ends and joins the thread.
class RunHelper {
public:
    // A piece of shared work, items first..end-1; the results of all pieces are or-ed.
    using Piece = size_t (*)(const void* context, size_t first, size_t end);
    // Background work: does a little and returns true, or returns false when there is none.
    using Background = bool (*)(void* context);

    RunHelper();
    ~RunHelper();
    RunHelper(const RunHelper&) = delete;
    RunHelper& operator=(const RunHelper&) = delete;

    // Items 0..count-1 in pieces of pieceItems, taken by this thread and the helper as each
    // comes free; returns when all are done, with their results or-ed. An exception of a piece,
    // in either thread, is raised here once every piece taken has ended.
    size_t share(Piece piece, const void* context, size_t count, size_t pieceItems);

    // Background work for the helper to call whenever no pieces are left to take, until
    // stopBackground, which returns once the helper no longer calls it and raises what a call
    // of it raised.
    void setBackground(Background work, void* context);
    void stopBackground();
    // Tells a sleeping helper that the background work has more to do.
    void nudge();

private:
    void loop();
    void wake();
    bool takePiece(uint64_t job, size_t& index);
    bool tryBackground();

    // The job's number in the high 32 bits, the next free piece in the low: a piece is taken by
    // raising it while the number is still the job's, so no thread runs a piece of a job that
    // has already ended.
    alignas(64) std::atomic<uint64_t> m_claim{0};
    uint64_t m_job = 0; // the caller's last job
    // The job's number in the high 32 bits, the pieces the helper has finished in the low.
    alignas(64) std::atomic<uint64_t> m_finished{0};
    std::atomic<size_t> m_helperResult{0};
    // Read by the helper only after it has taken a piece of the job they describe.
    Piece m_piece = nullptr;
    const void* m_context = nullptr;
    size_t m_count = 0;
    size_t m_pieceItems = 0;
    size_t m_pieces = 0;
    std::exception_ptr m_helperError; // written before the piece's finish is published

    alignas(64) std::atomic<Background> m_background{nullptr};
    void* m_backgroundContext = nullptr;
    std::atomic<bool> m_inBackground{false};
    std::exception_ptr m_backgroundError;

    alignas(64) std::atomic<bool> m_stop{false};
    std::atomic<bool> m_sleeping{false};
    std::mutex m_mutex;
    uint64_t m_wakes = 0; // under the mutex
    std::condition_variable m_wakeUp;
    std::thread m_thread;
};

} // namespace orvek
