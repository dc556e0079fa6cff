#pragma once
// Makes every write beyond a file size fail for the object's lifetime, as a full disk
// would (POSIX only): the limit of the process's file sizes is lowered, and the signal
// that would end the process at the limit is ignored, so the write reports the error.

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_old;
        small.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldSignal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    /// Whether the limit is in force.
    bool active() const { return m_active; }

private:
    struct rlimit m_old {};
    void (*m_oldSignal)(int) = SIG_DFL;
    bool m_active = false;
};
