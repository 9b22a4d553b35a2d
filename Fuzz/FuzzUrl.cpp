// URLs reach `Url` from invitation texts, the services file and the cache. Besides not
// crashing: a parsed URL's components give back its text, and its text parses again to itself.

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
    UrlComponents components(*url);
    if (components.string() != url->absoluteString())
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
