#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"

#include <string>

namespace tvk::ui::detail {

class OpacityNode : public PassThroughNode {
public:
    OpacityNode(double opacity, std::unique_ptr<LayoutNode> child);
    void draw(DrawContext& context) const override;

private:
    double m_opacity;
};

/// Keeps its place in the layout but draws nothing and cannot be clicked or read.
class HiddenNode : public PassThroughNode {
public:
    using PassThroughNode::PassThroughNode;
    void draw(DrawContext&) const override { }
    void collectLinks(std::vector<LinkRegion>&) const override { }
    void collectAccessibility(std::vector<AccessibilityElement>&) const override { }
};

class ClipNode : public PassThroughNode {
public:
    using PassThroughNode::PassThroughNode;
    void draw(DrawContext& context) const override;
};

class AccessibilityHiddenNode : public PassThroughNode {
public:
    using PassThroughNode::PassThroughNode;
    void collectAccessibility(std::vector<AccessibilityElement>&) const override { }
};

class AccessibilityLabelNode : public PassThroughNode {
public:
    AccessibilityLabelNode(std::string label, std::unique_ptr<LayoutNode> child);
    void collectAccessibility(std::vector<AccessibilityElement>& elements) const override;

private:
    std::string m_label;
};

class IdentifierNode : public PassThroughNode {
public:
    IdentifierNode(std::string identifier, std::unique_ptr<LayoutNode> child);
    const LayoutNode* find(std::string_view identifier) const override;

private:
    std::string m_identifier;
};

/// `Link`: its label's frame opens `url`. Links inside it come first in the list of regions,
/// so the innermost link wins a click.
class LinkNode : public PassThroughNode {
public:
    LinkNode(std::string url, std::unique_ptr<LayoutNode> label);
    void collectLinks(std::vector<LinkRegion>& links) const override;
    void collectAccessibility(std::vector<AccessibilityElement>& elements) const override;

private:
    std::string m_url;
};

class ContainerBackgroundNode : public PassThroughNode {
public:
    ContainerBackgroundNode(ResolvedColor color, std::unique_ptr<LayoutNode> child)
        : PassThroughNode(std::move(child))
        , m_color(color)
    {
    }
    std::optional<ResolvedColor> containerBackground() const override { return m_color; }

private:
    ResolvedColor m_color;
};

/// Joins the labels of elements and their descendants with ", ".
std::string combinedLabel(const std::vector<AccessibilityElement>& elements);

}
