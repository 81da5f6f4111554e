#include "app/RecordingInput.h"

#include "engine/TAudioRecord2.h"

RecorderInput::RecorderInput(TAudioRecord2& recorder, bool forwardEvents, QObject* parent)
    : RecordingInput(parent), recorder_(recorder)
{
    if (forwardEvents) {
        connect(&recorder_, &TAudioRecord2::OnTimer, this, &RecordingInput::tick);
        connect(&recorder_, &TAudioRecord2::OnDeviceError, this, &RecordingInput::lost);
    }
}

void RecorderInput::setBlockReceiver(RecordBlockReceiver* receiver)
{
    recorder_.SetBlockReceiver(receiver);
}

void RecorderInput::setFormat(int sampleRate, int channels, int blockMs)
{
    recorder_.SetFormat(sampleRate, channels);
    recorder_.setArraySize(recorder_.MillisecondsToSamples(blockMs));
}

int RecorderInput::sampleRate() const
{
    return recorder_.SampleRate();
}

int RecorderInput::channels() const
{
    return recorder_.Channels();
}

bool RecorderInput::start(QString& reason)
{
    recorder_.StartRecord();
    if (recorder_.LastError() == 0)
        return true;
    reason = recorder_.LastErrorText();
    return false;
}

void RecorderInput::stop()
{
    recorder_.StopRecord();
}

int RecorderInput::currentSamples() const
{
    return recorder_.CurrentSamples();
}

qint64 RecorderInput::overflowFrames() const
{
    return recorder_.OverflowCount();
}

void RecorderInput::setTicking(bool on)
{
    recorder_.setTimerEnabled(on);
}
