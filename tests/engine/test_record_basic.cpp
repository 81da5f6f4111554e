#include "EngineTestSupport.h"
#include "engine/TAudioRecord2.h"

#include <vector>

namespace {

using RecordBasics = VirtualBackendTest;

// Collects every block as the program does: GetArray inside OnEndArrayRecord.
struct BlockCollector {
    explicit BlockCollector(TAudioRecord2& r) : rec(r)
    {
        QObject::connect(&rec, &TAudioRecord2::OnEndArrayRecord, [this](int) {
            ++events;
            SampleArray a = rec.GetArray();
            if (!a.isEmpty())
                blocks.push_back(std::move(a));
        });
    }
    TAudioRecord2& rec;
    int events = 0;
    std::vector<SampleArray> blocks;
};

TEST_F(RecordBasics, BlocksOfArraySizeArriveInOrderAndStopHandsOverThePartialBlock)
{
    backend->setInputCounter();
    TAudioRecord2 rec;
    rec.SetFormat(44100, 2);
    rec.setArraySize(rec.MillisecondsToSamples(200));
    ASSERT_EQ(rec.ArraySize(), 8820);
    BlockCollector c(rec);
    rec.StartRecord();
    ASSERT_EQ(rec.LastError(), 0) << rec.LastErrorText().toStdString();
    backend->advance(1000);
    processEvents();
    EXPECT_EQ(c.blocks.size(), 5u);
    backend->advance(50);
    rec.StopRecord();
    ASSERT_EQ(c.blocks.size(), 6u);
    EXPECT_EQ(c.blocks.back().frames(), 2205);
    qint64 frame = 0;
    for (const auto& b : c.blocks) {
        for (int f = 0; f < b.frames(); ++f, ++frame) {
            ASSERT_EQ(VirtualBackend::counterFrame(b.data()[f * 2]), frame);
            ASSERT_EQ(b.data()[f * 2 + 1], -b.data()[f * 2]);
        }
    }
    EXPECT_EQ(frame, 44100 + 2205);
    processEvents();   // stale notifications raise nothing more
    EXPECT_EQ(c.events, 6);
}

} // namespace
