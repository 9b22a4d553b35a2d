#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

#include "Platform/UI/ShapeStyle.hpp"

namespace tvk {

ui::View withWidgetBackground(const ui::View& content)
{
    return content.containerBackground(ui::ShapeStyle::fill(ui::ShapeStyle::Level::tertiary), ui::ContainerBackgroundPlacement::widget);
}

}
