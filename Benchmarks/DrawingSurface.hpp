#pragma once

// A Cairo image surface of a widget's size at 2x, scaled so that one unit is one point, for the
// drawing benchmarks; cleared before each drawing.

#include "Platform/UI/Geometry.hpp"

#include <cairo.h>

namespace tvk::benchmarks {

struct DrawingSurface {
    explicit DrawingSurface(ui::Size size, double scale = 2)
        : surface(
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(size.width * scale), static_cast<int>(size.height * scale)))
        , cairo(cairo_create(surface))
    {
        cairo_scale(cairo, scale, scale);
    }
    ~DrawingSurface()
    {
        cairo_destroy(cairo);
        cairo_surface_destroy(surface);
    }
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    void clear()
    {
        cairo_save(cairo);
        cairo_set_operator(cairo, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cairo);
        cairo_restore(cairo);
    }

    cairo_surface_t* surface;
    cairo_t* cairo;
};

}
