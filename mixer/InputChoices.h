#pragma once
// The devices of the mixer pages that outlive the program, and the second input: which device
// records (the first input), what is recorded beside it (none, or any source or output monitor
// the first list offers), how the two share the file's channels, and which device plays. Each
// choice goes into the settings record and setup.ini ([input] device, second, layout;
// [output] device) as it is made; at start-up a remembered device that is present is chosen
// again, otherwise the default stays.
//
// Devices are remembered by their key: the name the sound server knows them by, or their
// shown name where there is no server.
#include "engine/InputMix.h"

#include <QList>
#include <QString>

class TAudioPlayer2;
class TAudioRecord2;
class TwoRecorderInput;
struct TRecordingSettings;

class InputChoices {
public:
    // One item of the second input's list.
    struct Entry {
        QString text;
        QString key;        // empty for none
        int device = -1;    // the recorder's device number; -1 for none
    };

    InputChoices(TAudioRecord2& first, TAudioRecord2& second, TwoRecorderInput& input, TAudioPlayer2& player,
                 TRecordingSettings& settings);

    // "(нет)" first, then every available input device in the first list's order.
    QList<Entry> secondEntries();
    // The entry of the second input in use (0: none).
    int secondIndex(const QList<Entry>& entries) const;
    static QList<QString> layoutTexts();   // mixed, split
    int layoutIndex() const;

    // The remembered devices where they are present (start-up, before the lists are filled).
    void applyRemembered();
    // The user's choices, taken into use and remembered.
    void chooseInput(int device);
    void chooseSecond(const Entry& entry);
    void chooseLayout(int index);
    void chooseOutput(int device);
    // Streams the user moved to another device (the desktop's sound settings): the devices in
    // use become those, as the lists then show (not remembered: the user chose them elsewhere).
    void followMoves();

private:
    template <class Engine>
    static int deviceWithKey(Engine& e, const QString& key);
    template <class Engine>
    static QString keyOf(Engine& e, int device);

    TAudioRecord2& first_;
    TAudioRecord2& second_;
    TwoRecorderInput& input_;
    TAudioPlayer2& player_;
    TRecordingSettings& settings_;
    QString secondKey_;
};
