#include "Platform/Runtime/PlatformLog.hpp"

#include <cstdio>
#include <mutex>
#include <string>

namespace tvk {

namespace {

std::mutex sinkMutex;
PlatformLog::Sink installedSink;

}

void PlatformLog::setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex);
    installedSink = std::move(sink);
}

void PlatformLog::write(Level level, std::string_view category, std::string_view message)
{
    Sink sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = installedSink;
    }
    if (sink) {
        sink(level, category, message);
        return;
    }
    if (level == Level::debug)
        return;
    std::string line = "tarvik [";
    line.append(category);
    line += "]: ";
    line.append(message);
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

}
