#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/Geometry.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::ui {

class View;
class TextMeasurer;
namespace detail {
class LayoutNode;
}

/// A clickable area: the frame of a `Link`'s label and where it leads.
struct LinkRegion {
    Rect frame;
    std::string url;
    bool operator==(const LinkRegion&) const = default;
};

/// What assistive technology is told about the laid-out tree: texts, images with a label,
/// progress indicators, and links holding their label's elements. Stacks and other containers
/// are transparent; views hidden from accessibility are left out with their descendants.
struct AccessibilityElement {
    enum class Role { text, image, progressIndicator, link, group };
    Role role = Role::text;
    std::string label;
    /// The progress as a percentage text ("40%") for progress indicators.
    std::string value;
    /// The destination of a link.
    std::string url;
    Rect frame;
    std::vector<AccessibilityElement> children;
    bool operator==(const AccessibilityElement&) const = default;
};

struct LayoutOptions {
    /// Measures text; absent: a Pango measurer for the calling thread.
    TextMeasurer* measurer = nullptr;
    /// The moment the tree is drawn for (timer texts count to or from it); absent: now.
    std::optional<Date> renderDate;
};

/// A view tree laid out in a rectangle of a given size: frames of every view, the link regions
/// for hit testing, the accessibility tree. Made once per drawing; draw it with `Renderer` on
/// the thread that made it (its texts hold that thread's Pango objects).
class ViewLayout {
public:
    /// Proposes `size` to the root view and centres it in that rectangle, as a window does.
    static ViewLayout make(const View& root, Size size, EnvironmentValues environment = {}, LayoutOptions options = {});

    ViewLayout(ViewLayout&&) noexcept;
    ViewLayout& operator=(ViewLayout&&) noexcept;
    ~ViewLayout();

    Size size() const { return m_size; }
    const EnvironmentValues& environment() const { return m_environment; }
    Date renderDate() const { return m_renderDate; }

    /// Every link's region, innermost first: the first region that contains a point is the
    /// link a click there opens.
    const std::vector<LinkRegion>& linkRegions() const { return m_links; }
    std::optional<std::string> linkURL(Point point) const;

    /// The accessible elements in reading order.
    const std::vector<AccessibilityElement>& accessibilityElements() const { return m_accessibility; }
    /// The labels of the accessible texts in reading order, links' texts included.
    std::vector<std::string> accessibilityTexts() const;
    /// The same texts as elements, with their frames.
    std::vector<AccessibilityElement> accessibilityTextElements() const;

    /// The frame of the view marked with `accessibilityIdentifier(identifier)`, when it was
    /// laid out.
    std::optional<Rect> frame(std::string_view identifier) const;

    /// The colour the host fills the container with (see `View::containerBackground`).
    std::optional<ResolvedColor> containerBackground() const;

    /// A timer text shows the time as of `renderDate`: the host draws such a tree again every
    /// second.
    bool containsTimer() const { return m_containsTimer; }

    const detail::LayoutNode* root() const { return m_root.get(); }

private:
    ViewLayout() = default;

    std::unique_ptr<detail::LayoutNode> m_root;
    Size m_size;
    EnvironmentValues m_environment;
    Date m_renderDate;
    std::vector<LinkRegion> m_links;
    std::vector<AccessibilityElement> m_accessibility;
    bool m_containsTimer = false;
};

}
