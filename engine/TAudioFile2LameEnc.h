#pragma once
// MP3 encoder settings handed to the file components (SetMP3Encoder).
class TAudioFile2LameEnc {
public:
    int SampleRate() const { return sampleRate_; }
    void setSampleRate(int hz) { sampleRate_ = hz; }
    int Bitrate() const { return bitrate_; }
    void setBitrate(int kbps) { bitrate_ = kbps; }
    // The object's own interface, as handed to TAudioFile2::SetMP3Encoder.
    TAudioFile2LameEnc* DefaultInterface() { return this; }

private:
    int sampleRate_ = 44100;
    int bitrate_ = 128;
};
