// uigallery OUTDIR: draws the sample view trees, each in light and dark at 2x, to PNG files
// named <sample>-light.png and <sample>-dark.png, for tests and for people reviewing changes
// to the view toolkit.

#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/UI/Renderer.hpp"
#include "tools/uigallery/GallerySamples.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

using namespace tvk;

namespace {

int usage(const char* message)
{
    std::fprintf(stderr, "uigallery: %s\nusage: uigallery [--scale N] [--svg] OUTDIR\n", message);
    return 2;
}

}

int main(int argc, char** argv)
{
    IcuEnvironment::configureFromEnvironment();
    double scale = 2;
    bool svg = false;
    std::filesystem::path directory;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        if (argument == "--help" || argument == "-h") {
            std::printf("usage: uigallery [--scale N] [--svg] OUTDIR\n"
                        "Draws the view toolkit's sample trees in light and dark to OUTDIR.\n");
            return 0;
        } else if (argument == "--scale") {
            if (++index >= argc)
                return usage("--scale needs a number");
            char* end = nullptr;
            scale = std::strtod(argv[index], &end);
            if (!end || *end || !(scale > 0 && scale <= 16))
                return usage("--scale must be a number above 0 and at most 16");
        } else if (argument == "--svg") {
            svg = true;
        } else if (!argument.empty() && argument.front() == '-') {
            return usage(("unknown option " + argument).c_str());
        } else if (directory.empty()) {
            directory = argument;
        } else {
            return usage("only one output directory");
        }
    }
    if (directory.empty())
        return usage("missing the output directory");
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "uigallery: cannot create %s: %s\n", directory.c_str(), error.message().c_str());
        return 1;
    }

    int failures = 0;
    for (const auto& sample : uigallery::gallerySamples()) {
        for (auto scheme : { ui::ColorScheme::light, ui::ColorScheme::dark }) {
            auto environment = uigallery::galleryEnvironment(sample.family, scheme);
            auto layout = ui::ViewLayout::make(uigallery::widgetContainer(sample.view), ui::widgetSize(sample.family), environment,
                ui::LayoutOptions { nullptr, uigallery::galleryNow() });
            std::string name = sample.name + (scheme == ui::ColorScheme::light ? "-light" : "-dark");
            auto path = directory / (name + (svg ? ".svg" : ".png"));
            auto written = svg ? ui::Renderer::writeSVG(layout, path, scale) : ui::Renderer::writePNG(layout, path, scale);
            if (!written) {
                std::fprintf(stderr, "uigallery: %s\n", written.error().c_str());
                ++failures;
                continue;
            }
            std::printf("%s\n", path.c_str());
        }
    }
    return failures ? 1 : 0;
}
