#pragma once

#include "Platform/UI/View.hpp"

#include <optional>
#include <vector>

namespace tvk {

/// The same items side by side or one under the other: a horizontal stack with
/// `verticalAlignment` and `horizontalSpacing` when `isHorizontal`, else a vertical stack with
/// `horizontalAlignment` and `verticalSpacing`. Absent spacings are the stacks' default.
struct ConditionalStack {
    bool isHorizontal = false;
    ui::HorizontalAlignment horizontalAlignment = ui::HorizontalAlignment::center;
    ui::VerticalAlignment verticalAlignment = ui::VerticalAlignment::center;
    std::optional<double> horizontalSpacing;
    std::optional<double> verticalSpacing;
    std::vector<ui::View> content;

    ui::View body() const;
};

}
