#pragma once

#include "Platform/Widgets/WidgetBundleRunner.hpp"

namespace tvk {

/// The widget program's commands for its "tarvik" links on a desktop without the main
/// application: `open-link URL`, which the desktop runs for such a link (see
/// `DeepLinkHandler`), and `register-handler` (also spelled `--register-handler`), which makes
/// the program the desktop's handler of the scheme unless another application claims it.
void addLinkCommands(widgets::WidgetBundleRunner& runner);

}
