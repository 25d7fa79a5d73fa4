#include "run/RunHelper.h"

#include <algorithm>
#include <chrono>

namespace orvek {

namespace {

using Clock = std::chrono::steady_clock;

// The claim word: job << 32 | pieces << 16 | next piece.
constexpr uint64_t kFieldMask = 0xffff;
constexpr size_t kMaxPieces = kFieldMask;

uint64_t jobOf(uint64_t word) {
    return word >> 32;
}

// A moment of spinning that lets the other hardware thread of the core go on.
void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// How long an idle helper spins before it yields the processor between checks, and how long
// it goes on yielding before it sleeps: days end every few microseconds during a run, so the
// helper stays awake through it and sleeps soon after it.
constexpr auto kSpinTime = std::chrono::microseconds(30);
constexpr auto kYieldTime = std::chrono::microseconds(200);
// A waiting caller yields after this long, so that a helper that shares its core can finish.
constexpr auto kWaitSpinTime = std::chrono::microseconds(20);

} // namespace

RunHelper::RunHelper() : m_thread([this] { loop(); }) {}

RunHelper::~RunHelper() {
    m_stop.store(true, std::memory_order_seq_cst);
    wake();
    m_thread.join();
}

void RunHelper::wake() {
    {
        const std::lock_guard lock(m_mutex);
        ++m_wakes;
    }
    m_wakeUp.notify_one();
}

bool RunHelper::takePiece(uint64_t job, size_t& index) {
    uint64_t word = m_claim.load(std::memory_order_acquire);
    for (;;) {
        const uint64_t next = word & kFieldMask;
        if (jobOf(word) != job || next >= ((word >> 16) & kFieldMask)) {
            return false;
        }
        if (m_claim.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel,
                                          std::memory_order_acquire)) {
            index = static_cast<size_t>(next);
            return true;
        }
    }
}

size_t RunHelper::share(Piece piece, const void* context, size_t count, size_t pieceItems) {
    const size_t pieces = pieceItems == 0 ? 0 : (count + pieceItems - 1) / pieceItems;
    if (pieces <= 1 || pieces > kMaxPieces) {
        return count == 0 ? 0 : piece(context, 0, count);
    }
    const uint64_t job = ++m_job & 0xffffffff;
    m_piece = piece;
    m_context = context;
    m_count = count;
    m_pieceItems = pieceItems;
    m_helperResult.store(0, std::memory_order_relaxed);
    m_helperError = nullptr;
    m_claim.store(job << 32 | static_cast<uint64_t>(pieces) << 16, std::memory_order_seq_cst);
    if (m_sleeping.load(std::memory_order_seq_cst)) {
        wake();
    }

    size_t result = 0;
    size_t own = 0;
    std::exception_ptr error;
    size_t index = 0;
    while (takePiece(job, index)) {
        ++own;
        if (error) {
            continue; // taken so that the helper starts no more of them
        }
        try {
            result |= piece(context, index * pieceItems, std::min(count, (index + 1) * pieceItems));
        } catch (...) {
            error = std::current_exception();
        }
    }
    const uint64_t helperPieces = pieces - own;
    const auto waitStart = Clock::now();
    unsigned spins = 0;
    for (;;) {
        const uint64_t finished = m_finished.load(std::memory_order_acquire);
        if (helperPieces == 0 ||
            (jobOf(finished) == job && (finished & 0xffffffff) == helperPieces)) {
            break;
        }
        relax();
        if (++spins % 64 == 0 && Clock::now() - waitStart > kWaitSpinTime) {
            std::this_thread::yield();
        }
    }
    if (helperPieces > 0) {
        result |= m_helperResult.load(std::memory_order_relaxed);
        if (!error) {
            error = m_helperError;
        }
    }
    m_helperError = nullptr;
    if (error) {
        std::rethrow_exception(error);
    }
    return result;
}

void RunHelper::setBackground(Background work, void* context) {
    m_backgroundContext = context;
    m_backgroundError = nullptr;
    m_background.store(work, std::memory_order_seq_cst);
    if (m_sleeping.load(std::memory_order_seq_cst)) {
        wake();
    }
}

void RunHelper::nudge() {
    if (m_sleeping.load(std::memory_order_seq_cst)) {
        wake();
    }
}

void RunHelper::stopBackground() {
    m_background.store(nullptr, std::memory_order_seq_cst);
    unsigned spins = 0;
    while (m_inBackground.load(std::memory_order_seq_cst)) {
        relax();
        if (++spins % 64 == 0) {
            std::this_thread::yield();
        }
    }
    if (m_backgroundError) {
        std::exception_ptr error = m_backgroundError;
        m_backgroundError = nullptr;
        std::rethrow_exception(error);
    }
}

bool RunHelper::tryBackground() {
    if (m_background.load(std::memory_order_relaxed) == nullptr) {
        return false; // looked at first, so that an idle helper writes nothing the caller reads
    }
    m_inBackground.store(true, std::memory_order_seq_cst);
    bool worked = false;
    const Background work = m_background.load(std::memory_order_seq_cst);
    if (work != nullptr && !m_backgroundError) {
        try {
            worked = work(m_backgroundContext);
        } catch (...) {
            m_backgroundError = std::current_exception();
        }
    }
    m_inBackground.store(false, std::memory_order_seq_cst);
    return worked;
}

void RunHelper::loop() {
    uint64_t job = 0;
    uint32_t done = 0; // pieces of the job this thread finished
    auto idleSince = Clock::now();
    unsigned idle = 0;
    while (!m_stop.load(std::memory_order_acquire)) {
        const uint64_t word = m_claim.load(std::memory_order_acquire);
        if (jobOf(word) != job) {
            job = jobOf(word);
            done = 0;
        }
        size_t index = 0;
        if (takePiece(job, index)) {
            // Taking the piece made the job's description visible and keeps it valid until the
            // piece's end is published.
            try {
                const size_t first = index * m_pieceItems;
                const size_t result =
                    m_piece(m_context, first, std::min(m_count, first + m_pieceItems));
                m_helperResult.fetch_or(result, std::memory_order_relaxed);
            } catch (...) {
                if (!m_helperError) {
                    m_helperError = std::current_exception();
                }
            }
            m_finished.store(job << 32 | ++done, std::memory_order_release);
            idle = 0;
            continue;
        }
        if (tryBackground()) {
            idle = 0;
            continue;
        }
        if (idle++ == 0) {
            idleSince = Clock::now();
        }
        relax();
        if (idle % 64 != 0) {
            continue;
        }
        const auto idleFor = Clock::now() - idleSince;
        if (idleFor < kSpinTime) {
            continue;
        }
        if (idleFor < kYieldTime) {
            std::this_thread::yield();
            continue;
        }
        std::unique_lock lock(m_mutex);
        const uint64_t wakes = m_wakes;
        m_sleeping.store(true, std::memory_order_seq_cst);
        // Work published before the flag was seen is found here; work published after it
        // comes with a wake-up.
        const bool more = m_claim.load(std::memory_order_seq_cst) != word || tryBackground();
        if (!more) {
            m_wakeUp.wait(
                lock, [&] { return m_wakes != wakes || m_stop.load(std::memory_order_acquire); });
        }
        m_sleeping.store(false, std::memory_order_seq_cst);
        idle = 0;
    }
}

} // namespace orvek
