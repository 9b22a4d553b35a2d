#include "Platform/Runtime/ProcessClock.hpp"

#include "Platform/Runtime/NotificationCenter.hpp"

#include <atomic>
#include <chrono>
#include <mutex>

namespace tvk {

namespace {

std::atomic<bool> pinned { false };
std::mutex pinnedMutex;
Date pinnedDate;

void postChanged()
{
    NotificationCenter::defaultCenter().post(ProcessClock::changedNotification);
}

}

Date ProcessClock::now()
{
    if (pinned.load(std::memory_order_acquire)) {
        std::lock_guard lock(pinnedMutex);
        if (pinned.load(std::memory_order_relaxed))
            return pinnedDate;
    }
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return Date(std::chrono::duration<double>(sinceEpoch).count());
}

void ProcessClock::pin(Date date)
{
    {
        std::lock_guard lock(pinnedMutex);
        pinnedDate = date;
        pinned.store(true, std::memory_order_release);
    }
    postChanged();
}

void ProcessClock::advance(TimeInterval seconds)
{
    {
        std::lock_guard lock(pinnedMutex);
        if (!pinned.load(std::memory_order_relaxed)) {
            auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
            pinnedDate = Date(std::chrono::duration<double>(sinceEpoch).count());
            pinned.store(true, std::memory_order_release);
        }
        pinnedDate += seconds;
    }
    postChanged();
}

void ProcessClock::unpin()
{
    {
        std::lock_guard lock(pinnedMutex);
        pinned.store(false, std::memory_order_release);
    }
    postChanged();
}

bool ProcessClock::isPinned()
{
    return pinned.load(std::memory_order_acquire);
}

}
