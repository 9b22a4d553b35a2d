// URLs reach `Url` from invitation texts, the services file and the cache. Besides not
// crashing: a parsed URL's text parses again to itself, and its parts make a URL with the
// same parts.

#include "Platform/Text/Url.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace tvk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto url = Url::make(text);
    if (!url)
        return 0;
    auto again = Url::make(url->absoluteString());
    if (!again || *again != *url)
        std::abort();
    // The parts give back a URL with the same parts (only the port's spelling may change).
    UrlComponents components(*url);
    auto rebuilt = components.url();
    if (!rebuilt || UrlComponents(*rebuilt) != components)
        std::abort();
    (void)url->scheme();
    (void)url->host();
    (void)url->port();
    (void)url->user();
    (void)url->password();
    (void)url->path();
    (void)url->lastPathComponent();
    (void)url->fragment();
    (void)components.queryItems();
    (void)components.firstQueryItem("q");
    (void)components.fragment();
    return 0;
}
