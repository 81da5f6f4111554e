#pragma once
// What takes a recorder's blocks as they are cut (TAudioRecord2::SetBlockReceiver), in order,
// instead of GetArray. Called on the thread that serves the recording (or the one that stops
// it, for the last partial block): it must hand the block on and return, never wait for a file.
#include "engine/SampleArray.h"

class RecordBlockReceiver {
public:
    virtual ~RecordBlockReceiver() = default;
    virtual void blockReady(SampleArray block) = 0;
};
