#include "engine/BlockWriter.h"

#include "engine/EngineSupport.h"
#include "engine/TAudioFile2.h"
#include "engine/files/SideFile.h"

#include <QMetaObject>
#include <exception>

BlockWriter::BlockWriter(QObject* parent) : QObject(parent), thread_([this] { run(); }) {}

BlockWriter::~BlockWriter()
{
    {
        std::lock_guard lock(m_);
        quit_ = true;
    }
    work_.notify_all();
    thread_.join();
}

void BlockWriter::blockReady(SampleArray block)
{
    {
        std::lock_guard lock(m_);
        queue_.push_back(std::move(block));
        ++handedOver_;
    }
    work_.notify_one();
}

void BlockWriter::setFile(TAudioFile2* file)
{
    {
        std::lock_guard lock(m_);
        file_ = file;
        error_.clear();
        frames_ = 0;
        ++session_;
    }
    work_.notify_one();
}

void BlockWriter::waitLocked(std::unique_lock<std::mutex>& lock)
{
    if (!file_)
        return;
    const qint64 until = handedOver_;
    // A block handed over meanwhile may be on its way into the file too: it goes in whole.
    done_.wait(lock, [&] { return finished_ >= until && !busy_; });
}

void BlockWriter::flush()
{
    std::unique_lock lock(m_);
    waitLocked(lock);
}

qint64 BlockWriter::release()
{
    qint64 frames;
    {
        std::unique_lock lock(m_);
        waitLocked(lock);
        if (pushed_.file && pushed_.session == session_) {
            // Once more when the file is complete: what its completion writes, too.
            pushed_.last = true;
            pushed_.due = true;
            pushed_.at = Clock::now() + kPushEvery;
        }
        file_ = nullptr;
        ++session_;
        frames = frames_;
    }
    work_.notify_one();
    return frames;
}

void BlockWriter::discard()
{
    std::lock_guard lock(m_);
    finished_ += static_cast<qint64>(queue_.size());
    queue_.clear();
    done_.notify_all();
}

qint64 BlockWriter::framesWritten() const
{
    std::lock_guard lock(m_);
    return frames_;
}

QString BlockWriter::error() const
{
    std::lock_guard lock(m_);
    return error_;
}

void BlockWriter::reportLocked(const QString& error, qint64 session)
{
    if (session != session_)
        return;   // that file is no longer the writer's
    error_ = error;
    QMetaObject::invokeMethod(this, [this, session, error] {
        bool current;
        {
            std::lock_guard guard(m_);
            current = session == session_;
        }
        if (current)
            emit OnWriteError(error);
    }, Qt::QueuedConnection);
}

void BlockWriter::push(std::unique_lock<std::mutex>& lock)
{
    std::shared_ptr<files::SideFile> file = pushed_.file;
    const qint64 session = pushed_.session;
    pushed_.due = false;
    if (pushed_.last)
        pushed_ = Pushed();
    lock.unlock();
    QString error;
    try {
        file->sync();
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    file.reset();
    lock.lock();
    if (!error.isEmpty())
        reportLocked(error, session);
}

void BlockWriter::run()
{
    engine::nameThisThread("tavrin-writer");
    std::unique_lock lock(m_);
    for (;;) {
        const auto work = [this] { return quit_ || (file_ && !queue_.empty()); };
        if (pushed_.due)
            work_.wait_until(lock, pushed_.at, work);
        else
            work_.wait(lock, work);
        if (quit_) {
            if (pushed_.due)   // the last of a file completed just before the end
                push(lock);
            return;
        }
        // A push that is due, and the last one of a file before the next file's first block.
        if (pushed_.due && (Clock::now() >= pushed_.at || (file_ && !queue_.empty() && pushed_.session != session_))) {
            push(lock);
            continue;
        }
        if (!file_ || queue_.empty())
            continue;   // a release woke the thread: the next push is due later
        SampleArray block = std::move(queue_.front());
        queue_.pop_front();
        TAudioFile2* file = file_;
        const qint64 session = session_;
        const bool skip = !error_.isEmpty();
        const bool newFile = pushed_.session != session;
        busy_ = true;
        lock.unlock();
        const int frames = block.frames();
        QString error;
        bool wrote = false;
        std::shared_ptr<files::SideFile> storage;
        if (!skip) {
            try {
                file->WriteArray(block);
                wrote = true;
                if (newFile)
                    storage = file->StorageHandle();
            } catch (const std::exception& e) {
                error = QString::fromUtf8(e.what());
            } catch (...) {
                error = QStringLiteral("The file could not be written");
            }
        }
        block = SampleArray();   // freed here, not under the lock
        lock.lock();
        if (wrote) {
            frames_ += frames;
            if (newFile)
                pushed_ = Pushed{std::move(storage), session, false, {}, false};
            if (pushed_.file && !pushed_.due) {
                pushed_.due = true;
                pushed_.at = Clock::now() + kPushEvery;
            }
        }
        if (!error.isEmpty())
            reportLocked(error, session);
        ++finished_;
        busy_ = false;
        done_.notify_all();
    }
}
