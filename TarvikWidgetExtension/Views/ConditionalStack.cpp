#include "TarvikWidgetExtension/Views/ConditionalStack.hpp"

#include "Platform/UI/Stacks.hpp"

namespace tvk {

ui::View ConditionalStack::body() const
{
    if (isHorizontal)
        return ui::HStack(verticalAlignment, horizontalSpacing, content);
    return ui::VStack(horizontalAlignment, verticalSpacing, content);
}

}
