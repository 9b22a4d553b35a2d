#pragma once

#include "Platform/UI/View.hpp"

namespace tvk {

/// A widget's content on the widget container background: the tertiary system fill.
ui::View withWidgetBackground(const ui::View& content);

}
