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
#include "engine/RecordBlockReceiver.h"

#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class TAudioFile2;

class BlockWriter : public QObject, public RecordBlockReceiver {
    Q_OBJECT
public:
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
    void run();
    void waitLocked(std::unique_lock<std::mutex>& lock);

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
