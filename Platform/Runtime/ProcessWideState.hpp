#pragma once

#include <functional>

namespace tvk {

/// What a process keeps once it has looked it up (the located resource bundle and its chosen
/// language, the accent colour read from the assets, the logger's switch, level and lines)
/// registers here how to forget it, on first use. A program never needs that; a test program
/// does, to run each of its tests as though it were the first in its process (the test main
/// resets after every test), so that no test passes or fails by the order tests run in.
///
/// Thread-safe. A reset must leave the state as a fresh process has it; what it replaces may
/// still be in use by another thread and must stay valid (keep it alive, don't free it).
class ProcessWideState {
public:
    /// Adds a reset; call it once per piece of state, when that state is first made.
    static void onReset(std::function<void()> reset);
    /// Runs every reset, the most recently added first.
    static void reset();

    /// Adds its reset when made: a function-local static one adds it once, on first use.
    ///
    ///     static const ProcessWideState::Registration resettable([] { cached.reset(); });
    struct Registration {
        explicit Registration(std::function<void()> reset) { onReset(std::move(reset)); }
    };
};

}
