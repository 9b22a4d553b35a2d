#pragma once

#include "Platform/Eds/EdsBridge.hpp"

#include <filesystem>
#include <memory>
#include <string>
#include <tl/expected.hpp>

namespace tvk {

/// Finds, loads and connects the EDS module. Nothing here links an EDS library: the module and
/// the libraries it needs are loaded by `bridge()`, on first use, and stay for the process's
/// life (GObject types cannot be unloaded).
class EdsModule {
public:
    /// The source registry's well-known name on the session bus.
    static constexpr char registryBusName[] = "org.gnome.evolution.dataserver.Sources5";

    /// Whether the source registry runs on the session bus now. Starts nothing, loads no EDS
    /// library, and does not try to start a session bus where none is configured.
    static bool registryIsRunning();

    /// The process's bridge, made on the first successful call: loads the module and connects to
    /// the registry, starting it through D-Bus activation when it is installed but not running.
    /// A failure (no module, no registry) is returned as a message and tried again next time.
    static tl::expected<std::shared_ptr<eds::Bridge>, std::string> bridge();

    /// Where the module is looked for: TARVIK_EDS_MODULE when set, else
    /// `<executable>/../lib/tarvik/tarvik-eds.so` when it exists, else the build tree's module.
    static std::filesystem::path modulePath();

    /// Whether this process has loaded the module (and with it libecal).
    static bool isLoaded();
};

}
