#include "app/RecordingInput.h"

#include "engine/TAudioRecord2.h"

#include <algorithm>

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

void RecorderInput::setTickInterval(int ms)
{
    recorder_.setTimerInterval(ms);
}

// ---- two recorders ------------------------------------------------------------------------------

namespace {
// The second recorder hands its frames on in short blocks, so that they wait as little as
// possible before the first input's frames of the same moment are mixed.
constexpr int kSecondBlockMs = 20;
} // namespace

// The first input's blocks: mixed with what the second delivered, then on to the receiver.
// The first recorder's serving thread (or the one stopping it).
class TwoRecorderInput::FirstTap : public RecordBlockReceiver {
public:
    explicit FirstTap(TwoRecorderInput& owner) : owner_(owner) {}
    void blockReady(SampleArray block) override
    {
        engine::InputMix* mix = owner_.mix_.get();
        const qint64 secondPosition = owner_.second_.CapturePosition();
        const int n = mix->addFirst(block.data(), block.frames(), owner_.first_.CapturePosition(), secondPosition, out_);
        pass(n, block.sampleRate());
    }
    void finish()
    {
        const int n = owner_.mix_->finish(out_);
        pass(n, owner_.first_.SampleRate());
    }

private:
    void pass(int frames, int rate)
    {
        if (frames <= 0 || !owner_.receiver_)
            return;
        SampleArray mixed(owner_.mix_->options().channels, std::move(out_));
        mixed.setSampleRate(rate);
        out_ = {};
        owner_.receiver_->blockReady(std::move(mixed));
    }

    TwoRecorderInput& owner_;
    std::vector<float> out_;
};

// The second input's blocks, into the mix's queue; a loss the recorder counted becomes silence
// in its place. The second recorder's serving thread.
class TwoRecorderInput::SecondTap : public RecordBlockReceiver {
public:
    explicit SecondTap(TwoRecorderInput& owner) : owner_(owner) {}
    void reset() { gapsSeen_ = 0; }
    void blockReady(SampleArray block) override
    {
        const qint64 lost = owner_.second_.OverflowCount();
        if (lost > gapsSeen_) {
            owner_.mix_->addSecondGap(lost - gapsSeen_);
            gapsSeen_ = lost;
        }
        owner_.mix_->addSecond(block.data(), block.frames());
    }

private:
    TwoRecorderInput& owner_;
    qint64 gapsSeen_ = 0;
};

TwoRecorderInput::TwoRecorderInput(TAudioRecord2& first, TAudioRecord2& second, bool forwardEvents, QObject* parent)
    : RecorderInput(first, false, parent), first_(first), second_(second), firstTap_(std::make_unique<FirstTap>(*this)),
      secondTap_(std::make_unique<SecondTap>(*this))
{
    if (forwardEvents) {
        connect(&first_, &TAudioRecord2::OnTimer, this, [this](int samples, int left, int right) {
            fileLevels(left, right);
            emit tick(samples, left, right);
        });
        connect(&first_, &TAudioRecord2::OnDeviceError, this, &RecordingInput::lost);
    }
    connect(&second_, &TAudioRecord2::OnTimer, this, [this](int, int left, int right) {
        secondLeft_ = left;
        secondRight_ = right;
    });
    connect(&second_, &TAudioRecord2::OnDeviceError, this, &TwoRecorderInput::secondLost);
}

TwoRecorderInput::~TwoRecorderInput()
{
    if (running_) {
        second_.SetBlockReceiver(nullptr);
        first_.SetBlockReceiver(nullptr);
    }
}

void TwoRecorderInput::setSecondEnabled(bool on)
{
    secondEnabled_ = on;
}

void TwoRecorderInput::setLayout(engine::InputLayout layout)
{
    layout_ = layout;
}

void TwoRecorderInput::fileLevels(int& left, int& right) const
{
    if (!running_)
        return;
    const int secondLeft = secondRunning_ ? secondLeft_ : 0;
    const int secondRight = secondRunning_ ? secondRight_ : 0;
    if (layout_ == engine::InputLayout::Split && first_.Channels() >= 2) {
        left = std::max(left, right);
        right = std::max(secondLeft, secondRight);
        return;
    }
    // The peaks of a sum are at most the sum of the peaks; the limiter keeps it in range.
    left = std::min(32767, left + secondLeft);
    right = std::min(32767, right + secondRight);
}

void TwoRecorderInput::setBlockReceiver(RecordBlockReceiver* receiver)
{
    receiver_ = receiver;
    routeBlocks();
}

void TwoRecorderInput::routeBlocks()
{
    if (running_) {
        first_.SetBlockReceiver(firstTap_.get());
        second_.SetBlockReceiver(secondTap_.get());
    } else {
        second_.SetBlockReceiver(nullptr);
        first_.SetBlockReceiver(receiver_);
    }
}

void TwoRecorderInput::setFormat(int sampleRate, int channels, int blockMs)
{
    RecorderInput::setFormat(sampleRate, channels, blockMs);
    second_.SetFormat(sampleRate, channels);
    second_.setArraySize(std::max(1, second_.MillisecondsToSamples(kSecondBlockMs)));
}

bool TwoRecorderInput::start(QString& reason)
{
    withSecond_ = secondEnabled_;
    if (!withSecond_) {
        running_ = false;
        routeBlocks();
        return RecorderInput::start(reason);
    }
    const int rate = first_.SampleRate();
    const int channels = first_.Channels();
    if (!mix_ || mix_->options().rate != rate || mix_->options().channels != channels
        || mix_->options().layout != layout_) {
        engine::InputMix::Options options;
        options.rate = rate;
        options.channels = channels;
        options.layout = layout_;
        mix_ = std::make_unique<engine::InputMix>(options);
    }
    mix_->reset();
    secondTap_->reset();
    secondLeft_ = secondRight_ = 0;
    running_ = true;
    routeBlocks();
    second_.SetFormat(rate, channels);
    second_.setTimerEnabled(ticking_);
    second_.StartRecord();
    if (second_.LastError() != 0) {
        reason = QStringLiteral("The second input could not start: ") + second_.LastErrorText();
        running_ = false;
        routeBlocks();
        return false;
    }
    secondRunning_ = true;
    first_.StartRecord();
    if (first_.LastError() != 0) {
        reason = first_.LastErrorText();
        second_.StopRecord();
        secondRunning_ = false;
        running_ = false;
        routeBlocks();
        return false;
    }
    return true;
}

void TwoRecorderInput::stop()
{
    if (!running_) {
        first_.StopRecord();
        return;
    }
    // The second first: what it captured is in the queue before the first's last frames go.
    second_.StopRecord();
    secondRunning_ = false;
    first_.StopRecord();
    firstTap_->finish();
    running_ = false;
    routeBlocks();
}

void TwoRecorderInput::secondLost(const QString& message)
{
    if (!running_ || !secondRunning_)
        return;
    // Everything it delivered is in the queue; from here on its place is silence.
    mix_->endSecond();
    secondRunning_ = false;
    emit notice(QStringLiteral("The second input was lost (") + message
                + QStringLiteral("); the recording goes on with the first, silence in its place."));
}

qint64 TwoRecorderInput::overflowFrames() const
{
    return first_.OverflowCount() + secondOverflowFrames();
}

qint64 TwoRecorderInput::secondOverflowFrames() const
{
    if (!mix_ || !withSecond_)
        return 0;
    return second_.OverflowCount() + mix_->secondLost() + mix_->secondLate();
}

void TwoRecorderInput::setTicking(bool on)
{
    ticking_ = on;
    first_.setTimerEnabled(on);
    second_.setTimerEnabled(on && running_ && secondRunning_);
}

void TwoRecorderInput::setTickInterval(int ms)
{
    first_.setTimerInterval(ms);
    second_.setTimerInterval(ms);
}
