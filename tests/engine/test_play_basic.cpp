#include "EngineTestSupport.h"
#include "engine/TAudioPlayer2.h"

namespace {

using PlayBasics = VirtualBackendTest;

SampleArray counterBlock(qint64 first, int frames, int channels)
{
    SampleArray a(channels, frames);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            a.data()[f * channels + c] = VirtualBackend::counterValue(first + f, c);
    return a;
}

TEST_F(PlayBasics, PlaysTheQueuedBlocksInOrderAndEndsOnce)
{
    TAudioPlayer2 player;
    player.SetFormat(44100, 2);
    const int block = player.MillisecondsToSamples(200);
    const int total = 5 * block + 1000;
    qint64 fed = 0;
    int endPlay = 0;
    auto feed = [&] {
        const int n = static_cast<int>(std::min<qint64>(block, total - fed));
        SampleArray a = n > 0 ? counterBlock(fed, n, 2) : SampleArray();
        fed += n;
        player.PlayArray(a);
    };
    QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, feed);
    QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, feed);
    QObject::connect(&player, &TAudioPlayer2::OnEndPlay, [&] { ++endPlay; player.Stop(); });
    player.Play();
    ASSERT_EQ(player.LastError(), 0);
    feed();
    feed();
    backend->advanceAndProcess(3000);
    EXPECT_EQ(endPlay, 1);
    const auto out = backend->output();
    ASSERT_EQ(out.size(), static_cast<size_t>(total) * 2);
    for (int f = 0; f < total; ++f)
        ASSERT_EQ(VirtualBackend::counterFrame(out[f * 2]), f);
    EXPECT_EQ(player.CurrentSamples(), total);
}

} // namespace
