// The thread rules are checked where they enter (engine/ThreadRules.h; the test command builds
// with the checks): a component's method called from a thread that does not own it, and audio
// handed to the recorder from outside a device thread's callback, stop the program naming the
// entry point.
#include "EngineTestSupport.h"

#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/ThreadRules.h"

#include <thread>

namespace {

// A backend whose capture stream hands over audio on the thread that starts it, outside any
// device callback: what no backend may do.
class StrayBackend final : public AudioBackend {
    class Stream final : public AudioStream {
    public:
        explicit Stream(CaptureSink* sink) : sink_(sink) {}
        void start() override
        {
            const float frame[2] = {0.0f, 0.0f};
            sink_->captured(frame, 1);
        }
        void stop() override {}
        int sampleRate() const override { return 44100; }
        int channels() const override { return 2; }

    private:
        CaptureSink* sink_;
    };

public:
    QString name() const override { return QStringLiteral("stray"); }
    QList<AudioDeviceInfo> inputDevices() override { return {{QStringLiteral("in"), true}}; }
    QList<AudioDeviceInfo> outputDevices() override { return {}; }
    int defaultInputDevice() override { return 0; }
    int defaultOutputDevice() override { return -1; }
    std::unique_ptr<AudioStream> openCapture(int, int, int, CaptureSink* sink) override
    {
        return std::make_unique<Stream>(sink);
    }
    std::unique_ptr<AudioStream> openPlayback(int, int, int, PlaybackSource*) override { return nullptr; }
    std::unique_ptr<AudioMixer> openMixer(int, bool) override { return nullptr; }
};

class ThreadRules : public VirtualBackendTest {
protected:
    void SetUp() override
    {
        VirtualBackendTest::SetUp();
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ASSERT_TRUE(engine::threadChecksCompiled)
            << "built without the thread checks: configure with -DTAVRIN_THREAD_CHECKS=ON (test.sh does)";
    }
};

} // namespace

TEST_F(ThreadRules, AComponentUsedFromAnotherThreadStopsTheProgram)
{
    EXPECT_DEATH(
        {
            TAudioRecord2 recorder(nullptr, backend.get());
            std::thread([&] { recorder.StartRecord(); }).join();
        },
        "TAudioRecord2::StartRecord.*the thread that owns the component");
    EXPECT_DEATH(
        {
            TAudioPlayer2 player(nullptr, backend.get());
            std::thread([&] { player.setSrcIndex(1); }).join();
        },
        "AudioDeviceComponent::setSrcIndex.*the thread that owns the component");
}

TEST_F(ThreadRules, AudioHandedOverOutsideADeviceCallbackStopsTheProgram)
{
    EXPECT_DEATH(
        {
            StrayBackend stray;
            TAudioRecord2 recorder(nullptr, &stray);
            recorder.StartRecord();
        },
        "captured.*runs only on a device thread");
}
