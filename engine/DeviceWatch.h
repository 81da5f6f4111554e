#pragma once
// Follows the devices of the sound system for the program: raises OnDevicesChanged on the thread
// that owns it (the UI thread) when devices come or go, are renamed or the default moves
// (DeviceListsChanged), or when a device's mixer values are changed by another program
// (DeviceMixersChanged). Changes that arrive before the event runs are merged into one event.
// Anything that learns of new devices (a backend's watch, an enumeration finished in the
// background) reports them through Post.
#include "engine/AudioBackend.h"
#include <QObject>
#include <atomic>
#include <memory>

class DeviceWatch : public QObject {
    Q_OBJECT
public:
    // backend: nullptr means systemAudioBackend(), resolved by Start.
    explicit DeviceWatch(QObject* parent = nullptr, AudioBackend* backend = nullptr);
    ~DeviceWatch() override;

    void Start();                      // follows the backend's devices; again: nothing
    void Stop();
    bool Active() const { return watching_; }
    void Post(int changes);            // any thread
    int DefaultDevice(bool input);     // the backend's default device now, -1 for none

signals:
    void OnDevicesChanged(int changes);

private:
    AudioBackend& backend();

    AudioBackend* backend_;
    std::shared_ptr<void> handle_;
    bool watching_ = false;
    std::atomic<int> pending_{0};
};
