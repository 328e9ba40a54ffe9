#pragma once

#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <atomic>
#include <memory>
#include <optional>
#include <mutex>
#include <thread>
#include <condition_variable>

// One private LibreOffice for one job: its own soffice.bin process, its own
// user profile in a temporary folder and its own pipe. Calls into it are
// watched: an office that dies or stops answering is killed, and from then on
// the session is lost and every call fails at once.
class OfficeSession
{
public:
    struct Options
    {
        QString program;          // soffice.bin
        int connectTimeoutMs = 60000;
        int frozenAfterMs = 30000; // a call this long without the office using CPU
    };
    static Options defaultOptions();

    explicit OfficeSession(const Options &options = defaultOptions());
    ~OfficeSession();

    // Starts the office and connects to it. False when it cannot start or
    // does not answer in time (the session is then lost).
    bool start();

    // Closes every document, ends the office, waits for it, kills it when it
    // does not end, and removes the profile. Safe to call more than once.
    void quit();

    bool lost() const { return m_lost.load(); }
    void markLost();
    // Marks the session lost and kills the office, without waiting for it:
    // safe from another thread while a call into the office is under way.
    // The calling thread's quit() still reaps it and removes the profile.
    void abort();

    // A folder of the session's own, gone with it.
    QString scratchFolder() const;
    // A file being written outside the session's folders, removed by
    // abandonAll() when the program is ended meanwhile.
    void setPendingFile(const QString &path);

    const css::uno::Reference<css::uno::XComponentContext> &context() const { return m_context; }
    const css::uno::Reference<css::frame::XDesktop2> &desktop() const { return m_desktop; }
    qint64 pid() const { return m_pid; }

    // Brackets every call into the office, so the watchdog knows one is
    // pending. Counts round trips for benchmarks.
    class Call
    {
    public:
        explicit Call(OfficeSession &session);
        ~Call();
    private:
        OfficeSession &m_session;
    };

    static quint64 roundTrips();

    // What was found out about a sheet of a file as the file loads, kept
    // for the same file loaded again in this session (see RowDeletion).
    // The job's thread only.
    std::optional<bool> loadedSheetFact(const QString &key) const;
    void noteLoadedSheetFact(const QString &key, bool fact) { m_loadedSheetFacts.insert(key, fact); }

    // For a program that is being terminated: kills every office still
    // running for it and removes their profiles. Safe from any thread.
    static void abandonAll();

private:
    static void removeStaleProfiles();
    bool launch();
    bool connect(int timeoutMs);
    void writeProfileDefaults();
    QString profileUrl() const;
    void watch();
    void stopWatchdog();
    bool waitForExit(int timeoutMs);
    void killOffice();
    // SIGKILL to the office's process group; callers check that it runs.
    void killGroup();

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_profile;
    QString m_pipeName;
    qint64 m_pid = 0;
    std::atomic<bool> m_exited{false};
    std::atomic<bool> m_lost{false};
    std::atomic<bool> m_quitting{false}; // the office ends because it was asked to
    bool m_quitDone = false;
    QString m_pendingFile; // guarded by the live-session lock
    QHash<QString, bool> m_loadedSheetFacts;

    css::uno::Reference<css::uno::XComponentContext> m_context;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;

    // watchdog
    std::thread m_watchdog;
    std::mutex m_watchMutex;
    std::condition_variable m_watchWake;
    bool m_watchStop = false;
    std::atomic<qint64> m_callStartedMs{0};
    std::atomic<int> m_callDepth{0};
};
