#pragma once

#include <cstddef>
#include <functional>

namespace tvk {

/// Runs `body(i)` once for every `i` in [0, count), on the calling thread and, where the work
/// is large enough to pay for starting one, on further threads (at most one per core, four in
/// all, each given at least `minimumPerThread` indices). Indices are handed out in small runs
/// in increasing order, so neighbouring items tend to go to one thread; no order between
/// threads is promised. Returns once every call has returned. When a call throws, the indices
/// not yet started are skipped and the first exception is thrown here.
///
/// For loops whose iterations touch only their own items and thread-safe services; a body
/// that must not run off the calling thread (GLib main-context work, the main queue) does not
/// belong here.
void concurrentLoop(std::size_t count, std::size_t minimumPerThread, const std::function<void(std::size_t)>& body);

}
