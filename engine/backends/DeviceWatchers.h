#pragma once
// The device watches of a backend (AudioBackend::watchDevices): a list of functions to call
// when its devices change. A watch ends when its handle goes; ending it waits for a call of it
// that is running on another thread, so nothing is called once the handle is gone.
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class DeviceWatchers {
public:
    std::shared_ptr<void> add(std::function<void(int)> notify)
    {
        if (!notify)
            return nullptr;
        std::lock_guard lock(state_->m);
        const int id = state_->next++;
        state_->watches.emplace(id, std::move(notify));
        std::weak_ptr<State> weak = state_;
        // The handle points at the list only to be non-null; it owns nothing but the watch.
        return std::shared_ptr<void>(state_.get(), [weak, id](void*) {
            if (auto s = weak.lock()) {
                std::lock_guard guard(s->m);
                s->watches.erase(id);
            }
        });
    }

    void notify(int changes)
    {
        if (changes == 0)
            return;
        std::lock_guard lock(state_->m);
        for (auto& [id, watch] : state_->watches)
            watch(changes);
    }

private:
    struct State {
        std::mutex m;
        std::map<int, std::function<void(int)>> watches;
        int next = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};
