#pragma once

// The mutable tree one layout pass works on. A `View` is an immutable description; resolving it
// against the environment yields one `LayoutNode` per view, which answers size proposals
// (cached per proposal), is placed, and draws itself. Internal to Platform/UI.

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/Alignment.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/TextMeasurer.hpp"
#include "Platform/UI/ViewLayout.hpp"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct _cairo cairo_t;

namespace tvk::ui::detail {

/// A size with the alignment guides that depend on content: the first and last text baseline,
/// measured from the top. They are explicit for texts and containers holding texts; a view
/// without text has none, and its bottom edge stands in for both. Containers combine only
/// explicit baselines (the first is the topmost, the last the bottommost), so a stack of an
/// icon and a text aligns on the text.
struct Dimensions {
    Size size;
    std::optional<double> firstBaseline;
    std::optional<double> lastBaseline;

    static Dimensions of(Size size) { return { size, std::nullopt, std::nullopt }; }
    double first() const { return firstBaseline.value_or(size.height); }
    double last() const { return lastBaseline.value_or(size.height); }
    /// The same guides for a view whose content sits `offset` below its top.
    Dimensions shifted(Size newSize, double offset) const;
};

/// Collects the explicit baselines of children placed at vertical offsets.
struct BaselineMerger {
    std::optional<double> first;
    std::optional<double> last;
    void add(const Dimensions& child, double y);
};

double horizontalGuide(HorizontalAlignment alignment, const Dimensions& dimensions);
double verticalGuide(VerticalAlignment alignment, const Dimensions& dimensions);

/// State shared by one layout pass: the text measurer, behind a memo so that a text set the
/// same way twice (the same row in several `ViewThatFits` candidates) is measured once.
class LayoutContext {
public:
    explicit LayoutContext(TextMeasurer& measurer)
        : m_measurer(measurer)
    {
    }
    const TextMeasurement& measure(const TextMeasureRequest& request, const std::string& contentIdentity);

private:
    TextMeasurer& m_measurer;
    std::unordered_map<std::string, TextMeasurement> m_memo;
};

/// State shared while a tree is resolved against its environment.
struct ResolveContext {
    Date renderDate;
    bool containsTimer = false;
};

struct DrawContext {
    cairo_t* cairo = nullptr;
};

enum class StackAxis { none, horizontal, vertical };

class LayoutNode;
using LayoutNodes = std::vector<std::unique_ptr<LayoutNode>>;

class LayoutNode {
public:
    virtual ~LayoutNode() = default;

    /// The size this view chooses for `proposal`. Negative proposals count as zero.
    Dimensions sizeThatFits(ProposedViewSize proposal, LayoutContext& context);
    /// Fixes the view's frame at `origin` with the size it chooses for `proposal`, and places
    /// its children.
    void place(Point origin, ProposedViewSize proposal, LayoutContext& context);

    bool isPlaced() const { return m_placed; }
    const Rect& frame() const { return m_frame; }
    const LayoutNodes& children() const { return m_children; }

    double layoutPriority() const { return m_layoutPriority; }
    void setLayoutPriority(double priority) { m_layoutPriority = priority; }

    /// Spacers take the stack's axis; outside a stack they grow on both.
    virtual bool isSpacer() const { return false; }
    virtual void setStackAxis(StackAxis axis) { (void)axis; }
    /// Drawn with the leading edge on the right.
    void mirror(double axisSum);

    virtual void draw(DrawContext& context) const;
    virtual void collectLinks(std::vector<LinkRegion>& links) const;
    virtual void collectAccessibility(std::vector<AccessibilityElement>& elements) const;
    virtual const LayoutNode* find(std::string_view identifier) const;
    /// The outermost container background set in the placed tree.
    virtual std::optional<ResolvedColor> containerBackground() const;

protected:
    LayoutNode() = default;
    explicit LayoutNode(LayoutNodes children)
        : m_children(std::move(children))
    {
    }

    virtual Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) = 0;
    /// Places the children inside `m_frame` (already set) for the proposal the view was placed
    /// with.
    virtual void placeChildren(ProposedViewSize proposal, LayoutContext& context) { (void)proposal, (void)context; }
    void drawChildren(DrawContext& context) const;

    LayoutNodes m_children;
    Rect m_frame;
    bool m_placed = false;

private:
    struct CacheEntry {
        ProposedViewSize proposal;
        Dimensions dimensions;
    };
    std::array<CacheEntry, 8> m_cache {};
    unsigned m_cacheCount = 0;
    unsigned m_cacheNext = 0;
    double m_layoutPriority = 0;
};

/// A node with one child that takes the child's size and place: the base of modifiers that
/// only draw or describe differently.
class PassThroughNode : public LayoutNode {
public:
    explicit PassThroughNode(std::unique_ptr<LayoutNode> child);
    LayoutNode& child() const { return *m_children.front(); }
    bool isSpacer() const override { return child().isSpacer(); }
    void setStackAxis(StackAxis axis) override { child().setStackAxis(axis); }

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;
};

}
