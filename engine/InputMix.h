#pragma once
// Two inputs in one recording. The first input gives the timeline: every one of its frames goes
// into the recording, in order, and nothing else decides how many frames there are. The second
// input runs on a clock of its own (another card, or the sink an application plays to); a
// variable-ratio resampler brings it onto the first input's frames, and a controller (as the
// sound server's loopback does) keeps adjusting the ratio so that a frame of the second lands
// beside the frame of the first captured at the same moment.
//
// Alignment: the controller compares how old the next frame of each input is, from the count of
// frames each device has delivered so far (CapturePosition of the recorders). It smooths that
// error (2 s) and corrects it proportionally and by its integral, so that a steady difference of
// the clocks (a card 0.1 % fast) ends up held by the integral, with the ratio steady.
//
// The first input is held back `holdSeconds` so that the second, which arrives in fragments of
// its own, is there when its place comes. At the start it is held back until the place the
// devices' delays give the second input has held still for a second (at most three seconds):
// until a frame goes out, the second input can be placed afresh at no cost. A frame of the
// second that is not there in time is silence ("late"); frames of the second that do not fit
// its queue are lost; both are counted.
//
// The sum never clips: both inputs go in at full level and a limiter lowers the gain only where
// the sum would pass full scale (a ramp of up to 5 ms down to the peak, 200 ms back up). Layouts:
// Mixed (both inputs in every channel) and Split (the first input, folded to mono, in the left
// channel, the second in the right; a mono recording gets the mix). Neither input alone is
// changed: in Split and where the sum stays below full scale every sample passes as it came.
//
// Threads: addSecond/addSecondGap on the second input's serving thread, addFirst on the first
// input's, the rest while neither runs (or, for the counts, on any thread). Neither serving
// call waits for the other.
#include "engine/SpscRing.h"

#include <QtGlobal>
#include <atomic>
#include <memory>
#include <vector>

class VariableResampler;

namespace engine {

enum class InputLayout { Mixed, Split };

class InputMix {
public:
    struct Options {
        int rate = 44100;
        int channels = 2;                  // the recording's; both inputs arrive with as many
        InputLayout layout = InputLayout::Mixed;
        double holdSeconds = 1.0;
        double queueSeconds = 8.0;         // the second input's queue
    };

    explicit InputMix(const Options& options);
    ~InputMix();
    InputMix(const InputMix&) = delete;
    InputMix& operator=(const InputMix&) = delete;

    const Options& options() const { return options_; }

    // A new run (a start or a resume): empty queues, counts at zero, aligned afresh at the
    // first frames.
    void reset();

    // ---- the second input's serving thread ------------------------------------------------
    void addSecond(const float* frames, int count) noexcept;
    // The second input lost this many frames before the next ones: silence in their place.
    void addSecondGap(qint64 frames) noexcept;
    // The second input is gone: what it delivered still goes in, then silence.
    void endSecond() noexcept { secondEnded_.store(true); }

    // ---- the first input's serving thread -------------------------------------------------
    // The first input's next frames; firstPosition and secondPosition: the frames each device
    // has delivered (or lost) by now. The mixed frames that are ready replace `out`'s content;
    // returns how many.
    int addFirst(const float* frames, int count, qint64 firstPosition, qint64 secondPosition,
                 std::vector<float>& out);
    // Both inputs have stopped (the second first): every frame held goes out.
    int finish(std::vector<float>& out);

    // ---- what happened (any thread) -------------------------------------------------------
    qint64 secondLost() const { return secondLost_.load(); }     // did not fit the queue
    qint64 secondLate() const { return secondLate_.load(); }     // silence put in their place
    double ratio() const { return ratio_.load(); }               // output frames per input frame
    double alignmentMs() const { return alignmentMs_.load(); }   // smoothed, + = second late
    qint64 limitedFrames() const { return limited_.load(); }     // frames the limiter lowered

private:
    int mixOut(int frames, std::vector<float>& out);
    void pullSecond(float* out, int frames);
    void control(qint64 firstPosition, qint64 secondPosition, int frames);
    void limit(float* frames, int count);

    Options options_;
    int channels_;
    qint64 holdFrames_;
    qint64 settleFrames_;                // the most the start holds the first input back
    std::unique_ptr<VariableResampler> resampler_;
    SpscRing<float> secondQueue_;
    std::atomic<bool> secondEnded_{false};

    // First input's serving side.
    std::vector<float> held_;            // first input frames not yet out
    std::vector<float> second_;          // the second input's frames for one output stretch
    std::vector<float> input_;           // frames taken from the queue for the resampler
    int inputFrames_ = 0;
    qint64 firstOut_ = 0;                // frames of the first input gone out
    double secondAt_ = 0;                // where the next frame out is on the second's timeline
    qint64 silenceDue_ = 0;              // frames of silence before the second's next frame
    qint64 skipDue_ = 0;                 // frames of the second to pass over before using one
    bool aligned_ = false;
    bool settled_ = false;               // the start's place found: frames go out
    qint64 steadyFrom_ = 0;              // frames held when the place last moved
    bool drained_ = false;               // the converter's last frames pushed out
    double smoothed_ = 0;                // seconds
    double integral_ = 0;
    double gain_ = 1.0;

    std::atomic<qint64> secondLost_{0};
    std::atomic<qint64> secondLate_{0};
    std::atomic<qint64> limited_{0};
    std::atomic<double> ratio_{1.0};
    std::atomic<double> alignmentMs_{0.0};
};

} // namespace engine
