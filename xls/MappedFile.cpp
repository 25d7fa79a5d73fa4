#include "xls/MappedFile.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace orvek::xls {

namespace {

// The mappings a SIGBUS may belong to. A fixed table, since the handler may neither allocate
// nor take a lock.
struct Guard {
    std::atomic<bool> used{false};
    std::atomic<uintptr_t> begin{0}; // 0 while the slot is being filled or emptied
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> damaged{false};
};

constexpr int kSlots = 32;
Guard g_guards[kSlots];
uintptr_t g_pageSize = 4096;
struct sigaction g_previous {};
std::mutex g_installMutex;

void onBusError(int sig, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    // Only a fault of the memory itself; a signal sent by kill or raise has no address.
    const bool fault = info->si_code > 0;
    for (int i = 0; fault && i < kSlots; ++i) {
        Guard& g = g_guards[i];
        const uintptr_t begin = g.begin.load(std::memory_order_acquire);
        const uintptr_t end = g.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end) {
            continue;
        }
        // The file ends before this page now: zeros from here to the end of the mapping, so
        // that the access and all later ones succeed, and a note for the reader.
        const uintptr_t page = address & ~(g_pageSize - 1);
        void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            g.damaged.store(true, std::memory_order_release);
            return;
        }
    }
    // Not ours: as the handler before would have it.
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(sig, info, context);
        return;
    }
    if ((g_previous.sa_flags & SA_SIGINFO) == 0 && g_previous.sa_handler != SIG_DFL &&
        g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(sig);
        return;
    }
    // The default action: the fault happens again on return and ends the program as usual.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(sig, &standard, nullptr);
}

// Ours stays the SIGBUS handler while files are mapped; a handler installed later in between is
// kept as the one to pass other signals on to.
bool installHandler() {
    const std::lock_guard<std::mutex> lock(g_installMutex);
    struct sigaction current {};
    if (::sigaction(SIGBUS, nullptr, &current) != 0) {
        return false;
    }
    if ((current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == onBusError) {
        return true;
    }
    g_pageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction ours {};
    ours.sa_sigaction = onBusError;
    ours.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&ours.sa_mask);
    return ::sigaction(SIGBUS, &ours, &g_previous) == 0;
}

int claimSlot() {
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (g_guards[i].used.compare_exchange_strong(expected, true)) {
            return i;
        }
    }
    return -1;
}

void releaseSlot(int slot) {
    Guard& g = g_guards[slot];
    g.begin.store(0, std::memory_order_release);
    g.end.store(0, std::memory_order_release);
    g.damaged.store(false);
    g.used.store(false);
}

} // namespace

std::unique_ptr<TMappedFile> TMappedFile::Map(int fd, size_t size) {
    if (size == 0 || !installHandler()) {
        return nullptr;
    }
    const int slot = claimSlot();
    if (slot < 0) {
        return nullptr;
    }
    // Pages in place at once: the file is read from start to end right away.
    void* memory = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (memory == MAP_FAILED) {
        releaseSlot(slot);
        return nullptr;
    }
    Guard& g = g_guards[slot];
    const auto begin = reinterpret_cast<uintptr_t>(memory);
    g.damaged.store(false);
    g.end.store((begin + size + g_pageSize - 1) & ~(g_pageSize - 1), std::memory_order_release);
    g.begin.store(begin, std::memory_order_release);
    return std::unique_ptr<TMappedFile>(new TMappedFile(static_cast<uint8_t*>(memory), size, slot));
}

TMappedFile::~TMappedFile() {
    releaseSlot(m_slot);
    ::munmap(m_data, m_size);
}

bool TMappedFile::Damaged() const {
    return g_guards[m_slot].damaged.load(std::memory_order_acquire);
}

} // namespace orvek::xls
