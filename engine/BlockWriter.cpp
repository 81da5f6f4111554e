#include "engine/BlockWriter.h"

#include "engine/EngineSupport.h"
#include "engine/TAudioFile2.h"

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
    std::unique_lock lock(m_);
    waitLocked(lock);
    file_ = nullptr;
    ++session_;
    return frames_;
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

void BlockWriter::run()
{
    engine::nameThisThread("tavrin-writer");
    std::unique_lock lock(m_);
    for (;;) {
        work_.wait(lock, [this] { return quit_ || (file_ && !queue_.empty()); });
        if (quit_)
            return;
        SampleArray block = std::move(queue_.front());
        queue_.pop_front();
        TAudioFile2* file = file_;
        const bool skip = !error_.isEmpty();
        busy_ = true;
        lock.unlock();
        const int frames = block.frames();
        QString error;
        bool wrote = false;
        if (!skip) {
            try {
                file->WriteArray(block);
                wrote = true;
            } catch (const std::exception& e) {
                error = QString::fromUtf8(e.what());
            } catch (...) {
                error = QStringLiteral("The file could not be written");
            }
        }
        block = SampleArray();   // freed here, not under the lock
        lock.lock();
        if (wrote)
            frames_ += frames;
        if (!error.isEmpty()) {
            error_ = error;
            const qint64 session = session_;
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
        ++finished_;
        busy_ = false;
        done_.notify_all();
    }
}
