// One installable service instance shared by every thread, with a default
// that takes the place of a missing one.
#pragma once

#include <memory>
#include <mutex>
#include <utility>

template <class Interface, class Default>
class ServiceSlot {
public:
    std::shared_ptr<Interface> Get() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!current_) current_ = std::make_shared<Default>();
        return current_;
    }

    // Installs services (nullptr: the default) and returns the ones replaced.
    std::shared_ptr<Interface> Set(std::shared_ptr<Interface> services) {
        if (!services) services = std::make_shared<Default>();
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(current_, services);
        return services;
    }

private:
    std::mutex mutex_;
    std::shared_ptr<Interface> current_;
};
