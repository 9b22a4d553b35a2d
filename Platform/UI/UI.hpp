#pragma once

// Everything a view is written with. Widget views include this one header and write
// `using namespace tvk::ui;` in their sources.

#include "Platform/UI/Alignment.hpp"
#include "Platform/UI/Controls.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/LocalizedStringKey.hpp"
#include "Platform/UI/Shape.hpp"
#include "Platform/UI/ShapeStyle.hpp"
#include "Platform/UI/Stacks.hpp"
#include "Platform/UI/SystemColors.hpp"
#include "Platform/UI/Text.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewLayout.hpp"
