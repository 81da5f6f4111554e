// The whole of AudioMixer (engine/AudioBackend.h), as the mixers that implement every part of
// it declare it: included inside the class body of AlsaMixer and PulseMixer, after "public:".
// A part of a class, not a header of its own: no include guard, no includes.
int lineCount() const override;
QString lineName(int line) const override;
bool volumeEnabled(int line) const override;
int volume(int line) const override;
void setVolume(int line, int value) override;
bool balanceEnabled(int line) const override;
int balance(int line) const override;
void setBalance(int line, int value) override;
bool switchEnabled(int line) const override;
bool switchValue(int line) const override;
void setSwitchValue(int line, bool on) override;
int advancedCount(int line) const override;
QString advancedName(int line, int index) const override;
QVariant advancedValue(int line, int index) const override;
void setAdvancedValue(int line, int index, const QVariant& value) override;
