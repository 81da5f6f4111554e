#include "MixerFixture.h"

namespace {

class CountingMixer : public AudioMixer {
public:
    CountingMixer(std::unique_ptr<AudioMixer> inner, CountingBackend& owner, bool exclusive)
        : inner_(std::move(inner)), owner_(owner), exclusive_(exclusive) {}
    int lineCount() const override { return inner_->lineCount(); }
    QString lineName(int l) const override { return inner_->lineName(l); }
    bool volumeEnabled(int l) const override { return inner_->volumeEnabled(l); }
    int volume(int l) const override { return inner_->volume(l); }
    void setVolume(int l, int v) override { ++owner_.mixerWrites; inner_->setVolume(l, v); }
    bool balanceEnabled(int l) const override { return inner_->balanceEnabled(l); }
    int balance(int l) const override { return inner_->balance(l); }
    void setBalance(int l, int v) override { ++owner_.mixerWrites; inner_->setBalance(l, v); }
    bool switchEnabled(int l) const override { return inner_->switchEnabled(l); }
    bool switchValue(int l) const override { return inner_->switchValue(l); }
    void setSwitchValue(int l, bool on) override
    {
        ++owner_.mixerWrites;
        if (!exclusive_) {
            inner_->setSwitchValue(l, on);
            return;
        }
        if (!on)
            return;   // a card always records from some source
        for (int other = 0; other < inner_->lineCount(); ++other)
            if (other != l)
                inner_->setSwitchValue(other, false);
        inner_->setSwitchValue(l, true);
    }
    int advancedCount(int l) const override { return inner_->advancedCount(l); }
    QString advancedName(int l, int i) const override { return inner_->advancedName(l, i); }
    QVariant advancedValue(int l, int i) const override { return inner_->advancedValue(l, i); }
    void setAdvancedValue(int l, int i, const QVariant& v) override
    {
        ++owner_.mixerWrites;
        inner_->setAdvancedValue(l, i, v);
    }

private:
    std::unique_ptr<AudioMixer> inner_;
    CountingBackend& owner_;
    bool exclusive_;
};

} // namespace

std::unique_ptr<AudioMixer> CountingBackend::openMixer(int device, bool input)
{
    return std::make_unique<CountingMixer>(VirtualBackend::openMixer(device, input), *this,
                                           input && exclusiveSelect);
}

QList<VirtualBackend::MixerLine> namedLines(int count)
{
    QList<VirtualBackend::MixerLine> lines;
    for (int i = 0; i < count; ++i) {
        VirtualBackend::MixerLine line;
        line.name = QStringLiteral("Line %1").arg(i);
        lines.append(line);
    }
    return lines;
}
