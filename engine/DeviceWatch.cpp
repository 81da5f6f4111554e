#include "engine/DeviceWatch.h"

#include "engine/ThreadRules.h"

DeviceWatch::DeviceWatch(QObject* parent, AudioBackend* backend) : QObject(parent), backend_(backend) {}

DeviceWatch::~DeviceWatch() { Stop(); }

AudioBackend& DeviceWatch::backend()
{
    if (!backend_)
        backend_ = &systemAudioBackend();
    return *backend_;
}

void DeviceWatch::Start()
{
    TAVRIN_OWNER_THREAD_ONLY();
    if (watching_)
        return;
    handle_ = backend().watchDevices([this](int changes) { Post(changes); });
    watching_ = true;
}

void DeviceWatch::Stop()
{
    TAVRIN_OWNER_THREAD_ONLY();
    handle_.reset();   // no Post from the backend once this returns
    watching_ = false;
}

void DeviceWatch::Post(int changes)
{
    if (changes == 0 || pending_.fetch_or(changes) != 0)
        return;   // an event is on its way and will carry these changes too
    QMetaObject::invokeMethod(this, [this] {
        const int all = pending_.exchange(0);
        if (all != 0)
            emit OnDevicesChanged(all);
    }, Qt::QueuedConnection);
}

int DeviceWatch::DefaultDevice(bool input)
{
    return input ? backend().defaultInputDevice() : backend().defaultOutputDevice();
}
