#pragma once
// Writes a recording's blocks into its file on a thread of its own, in the order they come, so
// that a busy or stalled owning thread delays no write. The recorder hands each block over as
// it is cut (RecordBlockReceiver); the file, a TAudioFile2 that knows nothing of threads,
// belongs to the writer from setFile() until release() returns, and nothing else touches it
// in between. Blocks that come while there is no file wait, in order, for the next one.
//
// A block the file refuses ends the writing into that file: the blocks that follow are dropped
// until release(), error() keeps the file's message until the next setFile(), and
// OnWriteError brings it to the owning thread while that file is still the writer's.
//
// What goes into a file is pushed to stable storage (fdatasync) within kPushEvery of its
// writing, by this thread, also while the recording pauses and once more a push period after
// release() (for what the file's completion writes), or at the end when that comes first: a
// power cut or a crash of the system loses at most that much of what was written. No other
// thread waits for a push, but the destructor for one still due.
#include "engine/RecordBlockReceiver.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class TAudioFile2;
namespace files {
class SideFile;
}

class BlockWriter : public QObject, public RecordBlockReceiver {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPushEvery{1000};

    explicit BlockWriter(QObject* parent = nullptr);
    ~BlockWriter() override;            // drops what still waits and ends the thread

    void blockReady(SampleArray block) override;   // any thread; never waits for the file
    // The file the blocks go into from now on, the waiting ones first.
    void setFile(TAudioFile2* file);
    // Waits until every block handed over before this call is in the file (or was dropped
    // after a failure) and gives the file back. Returns the frames written since setFile.
    qint64 release();
    // Waits until every block handed over before this call is in the file (or was dropped);
    // the file stays with the writer. Returns at once when there is no file.
    void flush();
    // Drops the blocks waiting (the one being written, if any, still goes in).
    void discard();
    QString error() const;              // why the file refused a block; empty when it did not
    qint64 framesWritten() const;       // into the current file, since setFile

signals:
    void OnWriteError(const QString& message);

private:
    using Clock = std::chrono::steady_clock;
    void run();
    void waitLocked(std::unique_lock<std::mutex>& lock);
    void push(std::unique_lock<std::mutex>& lock);
    void reportLocked(const QString& error, qint64 session);

    // The file whose writes are to be pushed to storage (the writer thread's own).
    struct Pushed {
        std::shared_ptr<files::SideFile> file;
        qint64 session = -1;
        bool due = false;            // written to since the last push
        Clock::time_point at;        // when the push is due
        bool last = false;           // its session ended: this push is the last
    } pushed_;

    mutable std::mutex m_;
    std::condition_variable work_;      // a block or a file came, or the end
    std::condition_variable done_;      // a block went in (or was dropped)
    std::deque<SampleArray> queue_;
    TAudioFile2* file_ = nullptr;
    bool quit_ = false;
    QString error_;
    qint64 session_ = 0;                // counts setFile and release calls
    bool busy_ = false;                 // a block is on its way into the file
    qint64 handedOver_ = 0;             // blocks given to the writer
    qint64 finished_ = 0;               // blocks written or dropped
    qint64 frames_ = 0;                 // frames written into the current file
    std::thread thread_;
};
