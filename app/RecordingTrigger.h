#pragma once
// What starts and ends a recording by the sound itself: sound above a threshold (with the
// seconds before it kept) and silence held for a time. The clock times and the values of the
// settings are in settings/TriggerSettings.h. Widget-free; RecordingSession drives it.
//
// SoundGate stands between a recording's input and its writer, as the block receiver of the
// input: in Pass it hands every block on; in Wait it keeps the newest pre-roll frames in a ring
// and hands nothing on until a frame reaches the threshold, then hands on the pre-roll and
// everything after it; in Closed it drops everything. While passing with a hold time, the
// first frame that ends `hold` frames below the threshold closes the gate there (Closed, or
// Wait for a pause on silence). What is handed on is always a run of the input's frames in
// order: a cut falls between two frames, and the pre-roll after a pause reaches back no further
// than the cut, so nothing is doubled and nothing inside a run is lost.
//
// Threads: blockReady() runs on the thread that cuts the input's blocks (the recorder's serving
// thread; the hand-driven clock's caller in tests) and hands blocks on there; every other
// method is for the owning (UI) thread. A change the gate makes by itself is announced by
// `changed`, queued to the owning thread; the owner then reads mode(). The ring is bounded
// (the pre-roll) and made by configure() on the owning thread, outside the lock; blocks flowing
// through the gate are copied into it, nothing more.
#include "engine/TAudioRecord2.h"

#include <QObject>
#include <mutex>
#include <vector>

// The linear peak that a level in dBFS stands for.
float ThresholdOf(double levelDb);

class SoundGate : public QObject, public RecordBlockReceiver {
    Q_OBJECT
public:
    enum class Mode { Pass, Wait, Closed };
    struct Options {
        float threshold = 0.01f;   // linear peak; a frame with a sample this loud is sound
        int prerollFrames = 0;
        int holdFrames = 0;        // 0: silence never closes the gate
        bool pauseOnSilence = false;
    };

    explicit SoundGate(QObject* parent = nullptr);
    ~SoundGate() override;

    // Where the blocks go on to (null: nowhere).
    void setReceiver(RecordBlockReceiver* receiver);
    // The options from now on; a ring for `prerollFrames` frames of `channels` is made here when
    // the one there is not of that size (emptied then).
    void configure(const Options& options, int channels);
    // Pass, Wait (the ring emptied) or Closed, from the next block on.
    void setMode(Mode mode);
    // As if sound came now: the pre-roll kept so far is handed on at once, and every frame
    // after it.
    void open();
    Mode mode() const;

    // Frames that came in and frames handed on, over the gate's life, read together.
    struct Count {
        qint64 seen = 0;
        qint64 passed = 0;
    };
    Count count() const;

    void blockReady(SampleArray block) override;

signals:
    // The gate opened on sound or closed on silence by itself (queued to the owning thread).
    void changed();

private:
    void process(SampleArray& block);
    void pass(SampleArray& block, int from, int to);
    void keep(const float* frames, int count);
    void releasePreroll();
    void announce();

    mutable std::mutex m_;
    RecordBlockReceiver* receiver_ = nullptr;
    Options options_;
    Mode mode_ = Mode::Pass;
    int channels_ = 0;
    qint64 belowFor_ = 0;        // frames since the last frame at the threshold (passing)
    std::vector<float> ring_;    // the pre-roll, prerollFrames x channels, allocated once
    int ringHead_ = 0;           // the frame the next one is written to
    int ringFrames_ = 0;         // frames kept
    Count count_;
};
